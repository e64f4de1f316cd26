// Constructing and showing the main window against a bare window holding one text control; a key
// chosen by a note played on a MIDI keyboard against the same key chosen by a PC key in Key mode.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/unavailable_services.h"
#include "shell/form1.h"
#include "support/quiet_services.h"
#include "support/ratio.h"
#include "support/test_keyboards.h"

namespace {

using orv::bench::NoDialog;
using orv::bench::SilentMessages;

class PlayerIni final : public orv::platform::IniReader {
 public:
  QString readString(const QString&, const QString&, const QString& key,
                     const QString& def) override {
    return key == QStringLiteral("Orvo") ? QStringLiteral("/usr/bin/true") : def;
  }
};

const bool kTarget = orv::bench::setTarget("ShowWindow", 1.3);
const bool kControlsTarget = orv::bench::setTarget("ShowWindowControls", 1.3);
const bool kChooseTarget = orv::bench::setTarget("ChooseKey", 1.2);

void ShowWindow_baseline(benchmark::State& state) {
  for (auto _ : state) {
    QMainWindow window;
    auto* edit = new QPlainTextEdit(&window);
    window.setCentralWidget(edit);
    window.resize(555, 510);
    window.show();
    QCoreApplication::processEvents();
  }
}

void ShowWindow_editor(benchmark::State& state) {
  SilentMessages messages;
  NoDialog dialog;
  orv::platform::UnavailableMidiService midi;
  orv::platform::UnavailableProcessLauncher launcher;
  PlayerIni ini;
  for (auto _ : state) {
    orv::shell::Form1 form(orv::shell::Services{messages, dialog, midi, launcher, ini},
                           orv::shell::StartupContext{QString(), {}, [] {}});
    form.show();
    QCoreApplication::processEvents();
  }
}

// The same number of plain controls, unstyled and unwired: what the inventory itself costs.
void ShowWindowControls_baseline(benchmark::State& state) {
  for (auto _ : state) {
    QMainWindow window;
    auto* inner = new QWidget(&window);
    window.setCentralWidget(inner);
    for (int i = 0; i < 56; ++i) new QPushButton(QStringLiteral("b"), inner);
    for (int i = 0; i < 17; ++i) new QLabel(QStringLiteral("l"), inner);
    for (int i = 0; i < 3; ++i) new QComboBox(inner);
    new QPlainTextEdit(inner);
    window.resize(555, 510);
    window.show();
    QCoreApplication::processEvents();
  }
}

// Both cores kept busy by work of their own, as a build beside the editor does.
class BusyCores {
 public:
  BusyCores() {
    for (int i = 0; i < 2; ++i) {
      m_threads.emplace_back([this] {
        while (!m_stop.load(std::memory_order_relaxed)) {
        }
      });
    }
  }
  ~BusyCores() {
    m_stop = true;
    for (std::thread& t : m_threads) t.join();
  }

 private:
  std::atomic<bool> m_stop{false};
  std::vector<std::thread> m_threads;
};

// Keys 0 and 2 chosen in turn: the time from handing the choice to the window's event queue to
// the token showing it. `press(first, down)` posts a press or a release.
template <typename Press>
void chooseKeys(benchmark::State& state, orv::shell::Form1& form, Press press) {
  using Clock = std::chrono::steady_clock;
  const BusyCores busy;
  bool first = true;
  for (auto _ : state) {
    const QString wanted = first ? QStringLiteral("d") : QStringLiteral("r");
    const Clock::time_point start = Clock::now();
    press(first, true);
    while (form.Cmd_Tone->text() != wanted) QCoreApplication::processEvents();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    press(first, false);
    QCoreApplication::processEvents();
    first = !first;
  }
}

void ChooseKey_baseline(benchmark::State& state) {
  orv::platform::UnavailableMidiService midi;
  orv::bench::ShownForm shown(midi);
  shown.form.Chk_Key->click();
  chooseKeys(state, shown.form, [&](bool first, bool down) {
    QWidget* focus = QApplication::focusWidget();
    QCoreApplication::postEvent(focus ? focus : &shown.form,
                                new QKeyEvent(down ? QEvent::KeyPress : QEvent::KeyRelease,
                                              first ? Qt::Key_A : Qt::Key_S, Qt::NoModifier));
  });
}

void ChooseKey_editor(benchmark::State& state) {
  orv::platform::UnavailableMidiService midi;
  orv::test::TestKeyboards keyboards;
  orv::bench::ShownForm shown(midi, &keyboards);
  shown.form.Chk_Midi->click();
  chooseKeys(state, shown.form, [&](bool first, bool down) {
    keyboards.play({static_cast<unsigned char>(down ? 0x90 : 0x80),
                    static_cast<unsigned char>(first ? 60 : 62), 100});
  });
}

BENCHMARK(ShowWindow_baseline)->Name("ShowWindow/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(ShowWindow_editor)->Name("ShowWindow/editor")->Unit(benchmark::kMillisecond);
BENCHMARK(ShowWindowControls_baseline)
    ->Name("ShowWindowControls/baseline")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ShowWindow_editor)->Name("ShowWindowControls/editor")->Unit(benchmark::kMillisecond);
BENCHMARK(ChooseKey_baseline)
    ->Name("ChooseKey/baseline")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);
BENCHMARK(ChooseKey_editor)
    ->Name("ChooseKey/editor")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);

}  // namespace
