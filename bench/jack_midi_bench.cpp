// How late a note reaches a JACK MIDI receiver. JackNoteOn: from the mouse-down on Form1, through
// the real MIDI service, against the same message sent by a minimal RtMidi program. JackThru:
// from a keyboard's physical capture port, through the editor's input, window and output, against
// a bare RtMidi thru program. The receiver is an RtMidi input in this process that notes the
// arrival. Starts its own `jackd -d dummy` under a private name (jackd2 must be installed).
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <RtMidi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/control_value.h"
#include "platform/system_midi_input.h"
#include "platform/system_midi_service.h"
#include "platform/unavailable_services.h"
#include "shell/form1.h"
#include "support/jack_keyboard.h"
#include "support/quiet_services.h"
#include "support/ratio.h"

namespace {

using Clock = std::chrono::steady_clock;

const bool kTarget =
    orv::bench::setTarget("JackNoteOn", 1.2) && orv::bench::setTarget("JackThru", 1.2);

const char kReceiverPort[] = "OrvBenchReceiver:input";

// A private JACK server on the dummy driver, 128 frames at 48 kHz (a cycle of 2.67 ms), and a
// receiver port that notes when each note-on arrives.
class JackRig {
 public:
  JackRig() {
    // A name of its own for each rig: a server still stopping under an old name may answer.
    static int rigs = 0;
    qputenv("JACK_DEFAULT_SERVER", "orv-bench-" +
                                       QByteArray::number(QApplication::applicationPid()) + '-' +
                                       QByteArray::number(++rigs));
    qputenv("JACK_NO_AUDIO_RESERVATION", "1");
    m_server.start(QStringLiteral("jackd"),
                   {QStringLiteral("--no-realtime"), QStringLiteral("-d"), QStringLiteral("dummy"),
                    QStringLiteral("-r"), QStringLiteral("48000"), QStringLiteral("-p"),
                    QStringLiteral("128")});
    QProcess wait;
    wait.start(QStringLiteral("jack_wait"),
               {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("10")});
    if (!m_server.waitForStarted() || !wait.waitForFinished() || wait.exitCode() != 0) return;
    m_in = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "OrvBenchReceiver");
    m_in->setCallback(
        [](double, std::vector<unsigned char>* message, void* self) {
          if (message->empty() || (*message)[0] != 0x90) return;
          auto* rig = static_cast<JackRig*>(self);
          const Clock::time_point now = Clock::now();
          {
            const std::lock_guard lock(rig->m_mutex);
            rig->m_arrived = now;
            ++rig->m_noteOns;
            if (rig->m_loop != nullptr) {
              QMetaObject::invokeMethod(rig->m_loop, &QEventLoop::quit, Qt::QueuedConnection);
            }
          }
          rig->m_arrival.notify_one();
        },
        this);
    m_in->openVirtualPort("input");
  }
  ~JackRig() {
    m_in.reset();
    m_server.terminate();
    m_server.waitForFinished();
  }

  bool ready() const { return m_in != nullptr; }

  // Times `press` to its note-on's arrival, then runs `release`. Each iteration is a batch of
  // presses at spread points of the cycle and counts as its median: a loaded machine without
  // real-time scheduling stalls the server now and then, and one stall would outweigh a batch.
  // A press whose note never comes (the server dropped a cycle) is counted in `lost`, made again.
  // Where the note must pass the window's thread, that thread waits in its event loop instead.
  template <typename Press, typename Release>
  void measure(benchmark::State& state, Press press, Release release, bool inEventLoop = false) {
    constexpr auto kGiveUp = std::chrono::milliseconds(100);
    constexpr int kBatch = 25;
    double sumUs = 0;
    int lost = 0;
    std::int64_t pressed = 0;
    std::vector<double> batch(kBatch);
    for (auto _ : state) {
      for (double& seconds : batch) {
        waitForPhase(pressed++);
        bool arrived = false;
        while (!arrived) {
          if (lost == 100) return state.SkipWithError("nothing arrives");
          std::unique_lock lock(m_mutex);
          const int before = m_noteOns;
          const Clock::time_point start = Clock::now();
          press();
          // Asleep while the server and the receiver work: on a small machine a spinning wait
          // would take the core they need.
          if (inEventLoop) {
            QEventLoop loop;
            QTimer::singleShot(kGiveUp, &loop, &QEventLoop::quit);
            m_loop = &loop;
            if (m_noteOns == before) {
              lock.unlock();
              loop.exec();
              lock.lock();
            }
            m_loop = nullptr;
            arrived = m_noteOns > before;
          } else {
            arrived = m_arrival.wait_for(lock, kGiveUp, [&] { return m_noteOns > before; });
          }
          if (arrived) seconds = std::chrono::duration<double>(m_arrived - start).count();
          lock.unlock();
          release();
          lost += arrived ? 0 : 1;
        }
      }
      std::nth_element(batch.begin(), batch.begin() + kBatch / 2, batch.end());
      state.SetIterationTime(batch[kBatch / 2]);
      sumUs += batch[kBatch / 2] * 1e6;
    }
    state.counters["median_us"] =
        sumUs / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["lost"] = lost;
  }

 private:
  // Each press comes at another point of the server's cycle, the same points on both sides: sent
  // straight after the last arrival, every press would wait almost a whole cycle.
  static void waitForPhase(std::int64_t iteration) {
    constexpr int kCycleUs = 128 * 1000000 / 48000;
    std::this_thread::sleep_for(
        std::chrono::microseconds(iteration * 617 % 1000 * kCycleUs / 1000));
  }

  QProcess m_server;
  std::unique_ptr<RtMidiIn> m_in;
  std::mutex m_mutex;
  std::condition_variable m_arrival;
  int m_noteOns = 0;
  Clock::time_point m_arrived;
  QEventLoop* m_loop = nullptr;
};

// Opens the port of `midi`'s list named `name`.
void openPortNamed(RtMidi& midi, const std::string& name, const std::string& ours) {
  for (unsigned int i = 0; i < midi.getPortCount(); ++i) {
    if (midi.getPortName(i) == name) midi.openPort(i, ours);
  }
}

// Chooses the receiver as the output and switches MIDI on; false when it is not listed.
bool switchOnTowardsReceiver(orv::shell::Form1& form) {
  const int entry = form.Combo2->findText(QStringLiteral(":%1").arg(QLatin1String(kReceiverPort)),
                                          Qt::MatchEndsWith);
  if (entry < 0) return false;
  orv::platform::setListIndex(*form.Combo2, entry);
  form.Chk_Midi->click();
  return true;
}

void JackNoteOn_baseline(benchmark::State& state) {
  JackRig rig;
  if (!rig.ready()) return state.SkipWithError("no JACK server (install jackd2)");
  RtMidiOut out(RtMidi::UNIX_JACK, "OrvBenchSender");
  openPortNamed(out, kReceiverPort, "out");
  const unsigned char noteOn[] = {0x90, 0x3C, 0x79};
  const unsigned char noteOff[] = {0x80, 0x3C, 0x10};
  rig.measure(
      state, [&] { out.sendMessage(noteOn, sizeof noteOn); },
      [&] { out.sendMessage(noteOff, sizeof noteOff); });
}

void JackNoteOn_editor(benchmark::State& state) {
  JackRig rig;
  if (!rig.ready()) return state.SkipWithError("no JACK server (install jackd2)");
  orv::platform::SystemMidiService midi;
  orv::bench::ShownForm shown(midi);
  orv::shell::Form1& form = shown.form;
  if (!switchOnTowardsReceiver(form)) {
    return state.SkipWithError("the receiver is not in the device list");
  }
  // The window's own events, as the platform plugin hands them on; the toolkit finds the key.
  QWindow* window = form.windowHandle();
  QPushButton* key = form.Opt_Scl[0];
  const QPointF at = key->mapTo(&form, key->rect().center());
  const QPointF global = key->mapToGlobal(key->rect().center());
  rig.measure(
      state,
      [&] {
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(window, &press);
      },
      [&] {
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                            {});
        QApplication::sendEvent(window, &release);
      });
}

// A keyboard as its driver shows it, played 25 times a batch.
void pressKey(orv::test::JackKeyboard& keyboard) {
  keyboard.play({0x90, 0x3C, 0x64});
}
void releaseKey(orv::test::JackKeyboard& keyboard) {
  keyboard.play({0x80, 0x3C, 0x00});
}

void JackThru_baseline(benchmark::State& state) {
  JackRig rig;
  if (!rig.ready()) return state.SkipWithError("no JACK server (install jackd2)");
  orv::test::JackKeyboard keyboard("OrvBenchKeyboard");
  RtMidiOut out(RtMidi::UNIX_JACK, "OrvBenchThruOut");
  openPortNamed(out, kReceiverPort, "out");
  RtMidiIn in(RtMidi::UNIX_JACK, "OrvBenchThruIn");
  openPortNamed(in, keyboard.portName(), "in");
  in.setCallback([](double, std::vector<unsigned char>* message,
                    void* out) { static_cast<RtMidiOut*>(out)->sendMessage(message); },
                 &out);
  rig.measure(
      state, [&] { pressKey(keyboard); }, [&] { releaseKey(keyboard); }, true);
}

void JackThru_editor(benchmark::State& state) {
  JackRig rig;
  if (!rig.ready()) return state.SkipWithError("no JACK server (install jackd2)");
  orv::test::JackKeyboard keyboard("OrvBenchKeyboard");
  orv::platform::SystemMidiService midi;
  orv::platform::SystemMidiInput keyboards;
  orv::bench::ShownForm shown(midi, &keyboards);
  orv::shell::Form1& form = shown.form;
  if (!switchOnTowardsReceiver(form)) {
    return state.SkipWithError("the receiver is not in the device list");
  }
  for (int i = 0; i < 100 && !keyboard.connectedTo("OrvEditor-input:keyboards"); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  rig.measure(
      state, [&] { pressKey(keyboard); }, [&] { releaseKey(keyboard); }, true);
}

// Each pair is 40 batches, timed by the arrivals themselves.
const bool kRegistered = [] {
  const std::pair<const char*, void (*)(benchmark::State&)> runs[] = {
      {"JackNoteOn/baseline", JackNoteOn_baseline},
      {"JackNoteOn/editor", JackNoteOn_editor},
      {"JackThru/baseline", JackThru_baseline},
      {"JackThru/editor", JackThru_editor}};
  for (const auto& [name, run] : runs) {
    benchmark::RegisterBenchmark(name, run)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(40);
  }
  return true;
}();

}  // namespace
