#include <QElapsedTimer>
#include <QTimer>

#include <bit>
#include <ctime>
#include <functional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "platform/qt_process_launcher.h"
#include "support/form_fixture.h"
#include "support/recording_player.h"

namespace orv::test {
namespace {

using namespace Qt::StringLiterals;

// The processor time this process has used (std::clock counts wall time on Windows).
double cpuMilliseconds() {
#ifdef Q_OS_WIN
  FILETIME unused, kernel, user;  // in 100 ns
  GetProcessTimes(GetCurrentProcess(), &unused, &unused, &kernel, &user);
  return double(std::bit_cast<quint64>(kernel) + std::bit_cast<quint64>(user)) / 1e4;
#else
  return double(std::clock()) * 1000 / CLOCKS_PER_SEC;
#endif
}

// Runs `action` once, as soon as `condition` holds: checked every few milliseconds by whichever
// event loop runs, nested ones included, until `owner` goes. The action may itself wait in an
// event loop; the other steps go on meanwhile.
void when(QObject& owner, std::function<bool()> condition, std::function<void()> action) {
  auto* timer = new QTimer(&owner);
  QObject::connect(timer, &QTimer::timeout, [timer, condition, action] {
    if (!condition()) return;
    timer->stop();
    action();
  });
  timer->start(5);
}

QString commandLine(const QString& player, const QString& document) {
  return u'"' + player + u"\" \""_s + document + u"\" *P*E*X"_s;
}

// The player button of a real window, starting real programs.
class PlayerButton : public FormFixture {
 protected:
  // The window with MIDI on and a saved document. Blanks, quotes and shell signs in both paths
  // must reach the player as they are.
  shell::Form1& startWithPlayer() {
    processLauncher = &realLauncher;
    ini.values[u"Orvo"_s] = player.program;
    shell::Form1& f = start();
    platform::setValue(*f.Chk_Midi, true);
    f.document().FilePath = folder.filePath(u"x\"; $(touch c)`d` 'e' & |.orv"_s);
    return f;
  }

  platform::QtProcessLauncher realLauncher;
  QTemporaryDir folder;
  RecordingPlayer player{folder.filePath(u"音楽 $(touch a);`b` player"_s)};
  QObject steps;
};

TEST_F(PlayerButton, GivesUpMidiAndSaysWhyNothingRuns) {
  shell::Form1& f = startWithPlayer();
  player.makeUnstartable();
  const QString saved = f.document().FilePath, missing = folder.filePath(u"none"_s);
  const QString failed = u"Orvo起動に失敗しました。\nパスを確認してください。"_s;
  const std::tuple<qint16, QString, QString, QStringList> rows[] = {
      // A document not saved as it stands is refused before the player is looked at.
      {1, saved, {}, {u"ファイルを保存してください"_s}},
      {1, {}, {}, {u"ファイルを保存してください"_s}},
      {0, {}, {}, {u"ファイルを保存or読込してください"_s}},
      {0, saved, missing, {commandLine(missing, saved), failed}},
      {0, saved, player.program, {commandLine(player.program, saved), failed}},
  };
  for (const auto& [modified, document, program, boxes] : rows) {
    platform::setValue(*f.Chk_Midi, true);
    f.document().Modified = modified;
    f.document().FilePath = document;
    f.config().PlayerPath = program;
    for (int i = 0; i < boxes.size(); ++i) messages.expect();
    QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton);
    EXPECT_EQ(messages.takeTexts(), boxes);
    EXPECT_FALSE(f.Chk_Midi->isChecked());
  }
  EXPECT_TRUE(player.runs().empty());
}

TEST_F(PlayerButton, RunsThePlayerAndASecondOneNestedWithMidiOffUntilTheFirstEnds) {
  shell::Form1& f = startWithPlayer();
  QElapsedTimer wall;
  double cpuStart = 0;
  when(
      steps, [&] { return player.runs().size() == 1; },
      [&] {
        EXPECT_FALSE(f.Chk_Midi->isChecked());
        messages.expect();
        QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton);
        // The second run found MIDI off, so its end leaves it off while the first one waits.
        EXPECT_FALSE(f.Chk_Midi->isChecked());
      });
  // The first run ends during the second one's wait: nothing may keep firing for it.
  when(
      steps, [&] { return player.runs().size() == 2; },
      [&] {
        player.release(0);
        wall.start();
        cpuStart = cpuMilliseconds();
        QTimer::singleShot(500, [&] { player.release(1); });
      });
  messages.expect();
  QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton);
  const QString document = f.document().FilePath;
  EXPECT_EQ(messages.takeTexts(), QStringList(2, commandLine(player.program, document)));
  EXPECT_EQ(player.runs(), QList<QStringList>(2, {document, u"*P*E*X"_s}));
  EXPECT_TRUE(player.ended(0) && player.ended(1) && f.Chk_Midi->isChecked());
  EXPECT_LT((cpuMilliseconds() - cpuStart) / double(wall.elapsed()), 0.2) << "a busy wait";
}

TEST_F(PlayerButton, ClosingTheWindowDuringARunEndsTheProgramAndLeavesThePlayer) {
  shell::Form1& f = startWithPlayer();
  f.show();
  when(
      steps, [&] { return !player.runs().empty(); }, [&f] { f.close(); });
  messages.expect();
  QTimer::singleShot(0, f.Cmd_Orvo, [&f] { QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton); });
  // The program's own main loop: closing the last window ends it, waits included.
  QApplication::exec();
  // MIDI was let go for good; the wait given up must not take it back.
  EXPECT_EQ(std::tuple(player.runs().size(), player.ended(0), f.Chk_Midi->isChecked()),
            std::tuple(1, false, false));
}

}  // namespace
}  // namespace orv::test
