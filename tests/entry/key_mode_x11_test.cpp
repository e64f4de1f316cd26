// Key mode on a real X server: the editor's own connection, the server's own auto-repeat and keys
// held through XTest (xdotool). The X server is started here, on a display of its own.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "midi/module1.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::StringLiterals;

// The X server's time of a release against the same clock when the window has handled it, in
// milliseconds; Xvfb stamps its events with the monotonic clock.
class ReleaseDelays : public QObject {
 public:
  std::vector<long> delays;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyRelease) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat() || key->key() != Qt::Key_A) return false;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<quint32>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
    // Several widgets see one release; the first sight counts.
    if (key->timestamp() != m_last) delays.push_back(static_cast<qint32>(ms - key->timestamp()));
    m_last = key->timestamp();
    return false;
  }

 private:
  quint64 m_last = 0;
};

class KeyModeX11 : public FormFixture {
 protected:
  void SetUp() override {
    qApp->installEventFilter(&releases);  // before Form1's, so it runs after Form1's key preview
    start();
    showActive();
    form->module1().OpenMidiOut(-1);
    QTest::mouseClick(form->Chk_Key, Qt::LeftButton);
  }
  void TearDown() override {
    for (const auto& busy : busyLoops) {
      busy->kill();
      busy->waitForFinished();
    }
    qApp->removeEventFilter(&releases);
    FormFixture::TearDown();
  }

  // Runs xdotool's chained commands ("keydown a sleep 2 keyup a ...") while the window's event
  // loop runs, then lets the last events arrive.
  void xdotool(const QString& script) {
    QProcess xdo;
    xdo.start(u"xdotool"_s, script.split(u' '));
    ASSERT_TRUE(xdo.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return xdo.state() == QProcess::NotRunning; }, 120'000));
    ASSERT_EQ(xdo.exitCode(), 0) << xdo.readAllStandardError().toStdString();
    QTest::qWait(100);
  }

  // The notes the MIDI output received: +n for a note on of note n, -n for its note off.
  std::vector<int> notes() {
    std::vector<int> events;
    for (const std::uint32_t m : midi.takeSent()) {
      const int note = static_cast<int>((m >> 8) & 0x7F);
      if ((m & 0xF0) == 0x90) events.push_back(note);
      if ((m & 0xF0) == 0x80) events.push_back(-note);
    }
    return events;
  }

  ReleaseDelays releases;
  std::vector<std::unique_ptr<QProcess>> busyLoops;
};

TEST_F(KeyModeX11, EachHoldOfAKeyStrikesOnceWhileBothCoresAreBusy) {
  for (int i = 0; i < 2; ++i) {
    busyLoops.push_back(std::make_unique<QProcess>());
    busyLoops.back()->start(u"/bin/sh"_s, {u"-c"_s, u"while :; do :; done"_s});
    ASSERT_TRUE(busyLoops.back()->waitForStarted());
  }
  constexpr int kHolds = 20;
  QString script;
  for (int i = 0; i < kHolds; ++i) script += u"keydown a sleep 2 keyup a sleep 0.1 "_s;
  xdotool(script.trimmed());

  std::vector<int> expected;
  for (int i = 0; i < kHolds; ++i) expected.insert(expected.end(), {60, -60});
  const std::vector<int> heard = notes();
  EXPECT_EQ(heard, expected) << std::ranges::count(heard, 60) << " note ons and "
                             << std::ranges::count(heard, -60) << " note offs for " << kHolds
                             << " holds";

  // Information, not a verdict: how long a real release took to reach the MIDI output.
  std::vector<long> d = releases.delays;
  std::sort(d.begin(), d.end());
  if (!d.empty()) {
    std::printf("release to note off: median %ld ms, max %ld ms over %zu releases\n",
                d[d.size() / 2], d.back(), d.size());
  }
}

struct Sequence {
  const char* name;
  const char* script;
  std::vector<int> notes;
};

TEST_F(KeyModeX11, OverlappingKeysAndShiftKeepOneStrikePerPress) {
  const Sequence kSequences[] = {
      // A's release leaves S sounding; S keeps repeating without striking again.
      {"overlap",
       "keydown a sleep 1 keydown s sleep 1 keyup a sleep 1 keyup s",
       {60, 62, -60, -62}},
      // A released Shift silences keyboard key 0, and the held A does not strike again.
      {"Shift during a note",
       "keydown a sleep 1 keydown shift sleep 1 keyup shift sleep 1 keyup a",
       {60, -60, -60}},
      {"a note during Shift",
       "keydown shift sleep 0.3 keydown d sleep 1.5 keyup d keyup shift",
       {64, -64, -60}},
  };
  for (const Sequence& s : kSequences) {
    SCOPED_TRACE(s.name);
    xdotool(QString::fromLatin1(s.script));
    EXPECT_EQ(notes(), s.notes);
  }
}

// Xvfb on a display of its own, for the whole program. The server takes the display's lock file,
// so that other programs looking for a free display pass it by; one that finds the display taken
// meanwhile ends, and the next number is tried. The display is ours once the lock names our
// server and its socket is there.
pid_t startXvfb() {
  for (int display = 160; display < 260; ++display) {
    const std::string number = std::to_string(display);
    const std::string socket = "/tmp/.X11-unix/X" + number;
    const QString lock = QString::fromStdString("/tmp/.X" + number + "-lock");
    if (QFile::exists(lock) || access(socket.c_str(), F_OK) == 0) continue;
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
      const int devNull = open("/dev/null", O_WRONLY);  // its warnings about the keymap
      if (devNull >= 0) dup2(devNull, STDERR_FILENO);
      execlp("Xvfb", "Xvfb", (":" + number).c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    bool ended = false;
    for (int wait = 0; wait < 200 && !ended; ++wait) {
      ended = waitpid(pid, nullptr, WNOHANG) == pid;
      QFile lockFile(lock);
      const bool ours = lockFile.open(QIODevice::ReadOnly) &&
                        lockFile.readAll().trimmed().toLong() == static_cast<long>(pid);
      if (!ended && ours && access(socket.c_str(), F_OK) == 0) {
        qputenv("DISPLAY", QByteArray::fromStdString(":" + number));
        return pid;
      }
      usleep(50'000);
    }
    if (!ended) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  return -1;
}

}  // namespace
}  // namespace orv::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const pid_t xvfb = orv::test::startXvfb();
  if (xvfb <= 0) {
    std::fputs("Xvfb did not start\n", stderr);
    return 1;
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  qunsetenv("WAYLAND_DISPLAY");
  int result = 1;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
  return result;
}
