// The real window and MIDI service against a real JACK server: a private `jackd -d dummy` and
// jack_midi_dump as the receiver, started and stopped here.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include "platform/system_midi_input.h"
#include "platform/system_midi_service.h"
#include "support/form_fixture.h"
#include "support/jack_keyboard.h"

namespace orv::test {
namespace {

using namespace Qt::Literals::StringLiterals;
using Events = std::vector<std::string>;
using enum QTest::MouseAction;

constexpr int kWaitMs = 10000;
const QString kLost =
    u"MIDI出力ポート「midi-monitor:input」が見つかりません。接続を確かめてください。"_s;

// Every program started inherits the server's private name, so none meets a user's own server.
class JackMidi : public FormFixture {
 protected:
  void SetUp() override {
    qputenv("JACK_DEFAULT_SERVER",
            "orv-test-" + QByteArray::number(QCoreApplication::applicationPid()));
    qputenv("JACK_NO_AUDIO_RESERVATION", "1");
    qputenv("JACK_NO_START_SERVER", "1");
    // Long cycles: on a busy machine short ones overrun now and then, and the server drops what
    // they carried.
    // A client that misses cycles on a loaded machine is not thrown out either (-t: 10 s).
    server.start(u"jackd"_s, {u"--no-realtime"_s, u"-t"_s, u"10000"_s, u"-d"_s, u"dummy"_s, u"-p"_s,
                              u"1024"_s});
    ASSERT_EQ(QProcess::execute(u"jack_wait"_s, {u"-w"_s, u"-t"_s, u"10"_s}), 0) << "no jackd2";
    startReceiver();
  }
  // The receiver goes with its QProcess; the server is asked to end, to leave nothing behind.
  void TearDown() override {
    FormFixture::TearDown();
    server.terminate();
    server.waitForFinished();
  }

  void startReceiver() {
    received.clear();
    receiver.start(u"stdbuf"_s, {u"-oL"_s, u"jack_midi_dump"_s});
    // Its port is listed a moment before its client starts, and until then every connection
    // to it is refused.
    JackKeyboard probe("probe");
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.connect("midi-monitor:input"); }, kWaitMs));
  }

  // The events the receiver printed ("   0: 90 3c 79 note on ..."), as hex bytes, once `count`
  // have come or the wait is over.
  Events receive(std::size_t count) {
    static const QRegularExpression line(u"^\\d+:((?: [0-9a-f]{2})+)(?: |$)"_s);
    static_cast<void>(QTest::qWaitFor(
        [&] {
          while (receiver.canReadLine()) {
            const auto match = line.match(QString::fromUtf8(receiver.readLine()).trimmed());
            if (match.hasMatch()) received.push_back(match.captured(1).trimmed().toStdString());
          }
          return received.size() >= count;
        },
        kWaitMs));
    return received;
  }

  // Strikes a key until the editor hears that its port went (JACK tells it a moment later), and
  // once more: one message in all.
  void playUntilTheLossIsShown() {
    messages.expect();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          mouse(MouseClick, form->Opt_Scl[0]);
          return !messages.shown().empty();
        },
        kWaitMs));
    mouse(MouseClick, form->Opt_Scl[0]);
    EXPECT_EQ(messages.takeTexts(), QStringList{kLost});
  }

  QProcess server;
  QProcess receiver;
  Events received;
  std::optional<platform::SystemMidiService> service;
  std::optional<platform::SystemMidiInput> input;
};

// Resident memory of this process, in KiB.
long residentKiB() {
  QFile status(u"/proc/self/status"_s);
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
  }
  return 0;
}

TEST_F(JackMidi, EveryMessageArrivesInOrderAndALostPortOrServerIsToldOnce) {
  // Whatever the toolkit says is its own; the MIDI libraries must say nothing.
  const QtMessageHandler toolkit =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  testing::internal::CaptureStderr();
  // A program whose port is there but whose client has not started refuses connections.
  jack_client_t* sleeper = jack_client_open("sleeper", JackNoStartServer, nullptr);
  jack_port_register(sleeper, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  midiService = &service.emplace();
  shell::Form1& f = start();
  const auto on = [](int n) { return QString::asprintf("90 %02x 79", n).toStdString(); };
  const auto off = [](int n) { return QString::asprintf("80 %02x 10", n).toStdString(); };
  showActive();
  const int monitor = f.Combo2->findText(u":midi-monitor:input"_s, Qt::MatchEndsWith);
  const int asleep = f.Combo2->findText(u":sleeper:input"_s, Qt::MatchEndsWith);
  EXPECT_EQ(std::min(monitor, asleep), f.Combo2->count() - 2) << "JACK's ports come after ALSA's";
  platform::setListIndex(*f.Combo2, asleep);
  messages.expect();
  for (int click = 0; click < 2; ++click) mouse(MouseClick, f.Chk_Midi);
  EXPECT_EQ(messages.takeTexts(),
            QStringList{u"MIDI出力ポート「sleeper:input」につなげません。"
                        u"そのポートのプログラムが動いているか確かめてください。"_s});
  jack_client_close(sleeper);  // while its server runs

  platform::setListIndex(*f.Combo2, monitor);
  // Key 0, a rest key, a chord gathered and then held; the instrument; a key held at switch-off.
  for (QWidget* w : {f.Chk_Midi, f.Opt_Scl[0], f.Opt_Scl[25], f.Chk_Ham, f.Opt_Scl[0], f.Opt_Scl[4],
                     f.Opt_Scl[7], f.Cmd_Tone, f.Chk_Ham})
    mouse(MouseClick, w);
  platform::setListIndex(*f.Combo1, 127);
  mouse(MousePress, f.Opt_Scl[12]);
  platform::setValue(*f.Chk_Midi, false);
  mouse(MouseRelease, f.Opt_Scl[12]);
  Events expected = {on(60), off(60), on(60),  off(60), on(64),  off(64), on(67), off(67),   on(60),
                     on(64), on(67),  off(60), off(64), off(67), "c0 7f", on(72), "80 48 00"};
  for (int c = 0; c < 32; ++c)  // then on every channel, sustain off and all notes off
    expected.push_back(QString::asprintf("b%x %s 00", c / 2, c % 2 ? "7b" : "40").toStdString());
  EXPECT_EQ(receive(expected.size()), expected);

  // The receiver quits while the port is open; a new one comes; then the server stops.
  mouse(MouseClick, f.Chk_Midi);
  receiver.kill();
  receiver.waitForFinished();
  playUntilTheLossIsShown();
  startReceiver();
  for (QWidget* w : {f.Chk_Midi, f.Chk_Midi, f.Opt_Scl[2]}) mouse(MouseClick, w);
  EXPECT_EQ(receive(2), (Events{on(62), off(62)}));
  server.terminate();
  ASSERT_TRUE(server.waitForFinished(kWaitMs));
  playUntilTheLossIsShown();
  mouse(MouseClick, f.Chk_Midi);
  messages.expect();
  mouse(MouseClick, f.Chk_Midi);
  EXPECT_EQ(messages.take().size(), 1u) << "switching on again tries the port again";
  form.reset();
  service.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  qInstallMessageHandler(toolkit);
}

TEST_F(JackMidi,
       AKeyboardPluggedInLaterComposesIsHeardAsPlayedOutlivesAFloodAndIsFoundAfterARestart) {
  // The editor's own input port, already there when the outputs are listed, is not one of them.
  midiInput = &input.emplace();
  input->open([](const platform::PlayedEvent&) {});
  midiService = &service.emplace();
  shell::Form1& f = start();
  showActive();
  input->close();
  EXPECT_EQ(f.Combo2->findText(u"OrvEditor-input"_s, Qt::MatchContains), -1);
  platform::setListIndex(*f.Combo2, f.Combo2->count() - 1);
  mouse(MouseClick, f.Chk_Midi);
  std::optional<JackKeyboard> keyboard;
  keyboard.emplace("TestKeyboard");
  ASSERT_TRUE(keyboard->ready());
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return keyboard->connectedTo("OrvEditor-input:keyboards"); }, 1000));

  // E, length 4, the pedal; C E G in chord mode (in one cycle) and the pedal.
  const auto play = [&](std::vector<unsigned char> bytes, const std::function<bool()>& until) {
    keyboard->play(std::move(bytes));
    EXPECT_TRUE(QTest::qWaitFor(until, kWaitMs));
  };
  const auto shown = [&](const QString& token) {
    return [&f, token] { return f.Cmd_Tone->text() == token; };
  };
  play({0x90, 64, 90}, shown(u"m"_s));
  keyboard->play({0x80, 64, 0});
  mouse(MouseClick, f.Opt_Lng[3]);
  keyboard->play({0xB0, 64, 127});
  play({0xB0, 64, 0}, [&f] { return f.TextEdit->Text() == u"m4"_s; });
  mouse(MouseClick, f.Chk_Ham);
  for (const unsigned char note : {60, 64, 67}) keyboard->play({0x90, note, 80});
  play({0xB0, 64, 127}, [&f] { return f.TextEdit->Text() == u"m4[dms]"_s; });
  for (const unsigned char note : {60, 64, 67}) keyboard->play({0x80, note, 0});
  Events heard = {"90 40 5a", "80 40 00", "90 3c 50", "90 40 50",
                  "90 43 50", "80 3c 00", "80 40 00", "80 43 00"};
  EXPECT_EQ(receive(8), heard);

  // Unplugged while D is held: its note ends.
  mouse(MouseClick, f.Chk_Ham);
  play({0x90, 62, 100}, shown(u"r"_s));
  keyboard.reset();
  heard.insert(heard.end(), {"90 3e 64", "80 3e 00"});
  EXPECT_EQ(receive(10), heard);

  // Ten thousand events from JACK's own thread within about a second: the window goes on
  // answering, a note played after them still composes, and memory stays where it was.
  std::optional<JackKeyboard> sequencer;
  sequencer.emplace("TestSequencer");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return sequencer->connectedTo("OrvEditor-input:keyboards"); }, 1000));
  const long before = residentKiB();
  bool answered = false;
  QTimer::singleShot(0, &f, [&] { answered = true; });
  for (int i = 0; i < 5000; ++i) {
    sequencer->play({0x90, 61, 100});
    sequencer->play({0x80, 61, 0});
    if (i % 10 == 9) QTest::qWait(1);
  }
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        sequencer->play({0x90, 64, 100});
        sequencer->play({0x80, 64, 0});
        QTest::qWait(50);
        return f.Cmd_Tone->text() == u"m"_s;
      },
      kWaitMs));
  EXPECT_TRUE(answered);
  EXPECT_LT(residentKiB() - before, 16 * 1024);

  // The server stops and starts again: its keyboards are found again. (The output and the
  // test's own clients go first: libjack crashes closing a client of a server that has been
  // replaced.)
  service->close();
  sequencer.reset();
  server.terminate();
  ASSERT_TRUE(server.waitForFinished(kWaitMs));
  QTest::qWait(300);  // the window hears of the end, as it would while the server restarts
  server.start();
  ASSERT_EQ(QProcess::execute(u"jack_wait"_s, {u"-w"_s, u"-t"_s, u"10"_s}), 0);
  JackKeyboard again("TestKeyboard");
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return again.connectedTo("OrvEditor-input:keyboards"); }, 3000));
  again.play({0x90, 65, 100});
  EXPECT_TRUE(QTest::qWaitFor(shown(u"f"_s), kWaitMs));
}

}  // namespace
}  // namespace orv::test
