#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "document/document_commands.h"
#include "platform/control_value.h"
#include "platform/qt_process_launcher.h"
#include "shell/player_launch.h"
#include "shell/startup_config.h"
#include "support/event_steps.h"
#include "support/form_fixture.h"
#include "support/recording_player.h"

namespace orv::test {
namespace {

const QString kOptions = QStringLiteral("*P*E*X");
const QString kFailed = QStringLiteral("Orvo起動に失敗しました。\nパスを確認してください。");

QString quotedLine(const QString& player, const QString& document) {
  return u'"' + player + QStringLiteral("\" \"") + document + QStringLiteral("\" *P*E*X");
}

// The player button of a real window, starting real programs.
class PlayerButton : public FormFixture {
 protected:
  void SetUp() override { processLauncher = &realLauncher; }

  // Writes the player at `relativePath` in a folder of its own and starts the window with MIDI on.
  shell::Form1& startWithPlayer(const QString& relativePath = QStringLiteral("orvo")) {
    const QString path = QDir(playerFolder.path()).filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    player = std::make_unique<RecordingPlayer>(path);
    ini.values[QStringLiteral("Orvo")] = path;
    shell::Form1& f = start();
    QObject::connect(f.Chk_Midi, &QAbstractButton::clicked, f.Chk_Midi,
                     [this, &f] { midiClicks.push_back(platform::value(*f.Chk_Midi)); });
    platform::setValue(*f.Chk_Midi, true);
    midiClicks.clear();
    return f;
  }
  // A saved, unmodified document.
  void saved(shell::Form1& f, const QString& name = QStringLiteral("song.orv")) {
    f.document().FilePath = QDir(documents.path()).filePath(name);
    QFile file(f.document().FilePath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    f.document().Modified = 0;
  }
  EventSteps steps() {
    return EventSteps([this] {
      ADD_FAILURE() << "the steps did not finish";
      player->releaseAll();
    });
  }
  int midi(shell::Form1& f) { return platform::value(*f.Chk_Midi); }

  platform::QtProcessLauncher realLauncher;
  QTemporaryDir playerFolder;
  QTemporaryDir documents;
  std::unique_ptr<RecordingPlayer> player;
  std::vector<int> midiClicks;  // Chk_Midi's value each time its click handler ran
};

TEST_F(PlayerButton, RefusesADocumentThatIsNotSaved) {
  shell::Form1& f = startWithPlayer();
  const struct {
    qint16 modified;
    QString path;
    QString message;
  } rows[] = {
      {1, QStringLiteral("/d/a.orv"), QStringLiteral("ファイルを保存してください")},
      {1, QString(), QStringLiteral("ファイルを保存してください")},
      {0, QString(), QStringLiteral("ファイルを保存or読込してください")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message.toStdString());
    platform::setValue(*f.Chk_Midi, true);
    midiClicks.clear();
    f.document().Modified = row.modified;
    f.document().FilePath = row.path;
    messages.expect();
    QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton);
    const auto shown = messages.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, row.message);
    EXPECT_EQ(shown[0].code, platform::MessageBox::kOkOnly);
    EXPECT_EQ(shown[0].title, QStringLiteral("OrvEditor"));
    // MIDI was given up before the checks and is not taken back.
    EXPECT_EQ(midiClicks, std::vector<int>{0});
  }
  EXPECT_TRUE(player->runs().empty());
}

TEST_F(PlayerButton, RunsThePlayerWithTheDocumentVerbatimAndMidiOffMeanwhile) {
  const struct {
    const char* what;
    QString player;
    QString document;
  } rows[] = {
      {"blanks", QStringLiteral("my apps/orvo player"), QStringLiteral("my song.orv")},
      {"shell signs", QStringLiteral("a;b $(touch made)/`touch made2`"),
       QStringLiteral("x\"; touch made3; \"$(touch made4)`touch made5` 'q' & |.orv")},
      {"Japanese", QStringLiteral("音楽/再生"), QStringLiteral("楽譜 一.orv")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    shell::Form1& f = startWithPlayer(row.player);
    saved(f, row.document);
    const QString document = f.document().FilePath;
    std::optional<int> midiDuringRun;
    EventSteps s = steps();
    s.when([&] { return !player->runs().empty(); },
           [&] {
             midiDuringRun = midi(f);
             player->releaseAll();
           });
    messages.expect();
    QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton);
    EXPECT_TRUE(s.done());

    const auto shown = messages.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, quotedLine(player->program(), document));
    EXPECT_EQ(shown[0].code, platform::MessageBox::kOkOnly);
    EXPECT_EQ(shown[0].title, QStringLiteral("OrvEditor"));
    ASSERT_EQ(player->runs().size(), 1u);
    EXPECT_EQ(player->runs()[0].arguments, (QStringList{document, kOptions}));
    EXPECT_FALSE(RecordingPlayer::running(player->runs()[0].pid));
    EXPECT_EQ(midiDuringRun, std::optional<int>(0));
    EXPECT_EQ(midiClicks, (std::vector<int>{0, 1}));
    const QStringList made = QDir(documents.path()).entryList({QStringLiteral("made*")});
    EXPECT_TRUE(made.isEmpty()) << made.join(u',').toStdString();
    EXPECT_FALSE(QFile::exists(QStringLiteral("made")));
    form.reset();
  }
}

TEST_F(PlayerButton, SaysInTwoLinesWhenThePlayerCannotStart) {
  shell::Form1& f = startWithPlayer();
  saved(f);
  QFile::setPermissions(player->program(), QFile::ReadOwner | QFile::WriteOwner);
  const QString missing = QDir(playerFolder.path()).filePath(QStringLiteral("no player"));
  for (const QString& program : {missing, player->program(), playerFolder.path()}) {
    SCOPED_TRACE(program.toStdString());
    f.config().PlayerPath = program;
    platform::setValue(*f.Chk_Midi, true);
    midiClicks.clear();
    messages.expect();
    messages.expect();
    QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton);
    const auto shown = messages.take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, quotedLine(program, f.document().FilePath));
    EXPECT_EQ(shown[1].text, kFailed);
    EXPECT_EQ(shown[1].code, platform::MessageBox::kOkOnly);
    EXPECT_EQ(shown[1].title, QStringLiteral("OrvEditor"));
    EXPECT_EQ(midiClicks, std::vector<int>{0});
  }
  EXPECT_TRUE(player->runs().empty());
}

TEST_F(PlayerButton, ASecondPressDuringARunNestsAndMidiComesBackOnceBothEnd) {
  shell::Form1& f = startWithPlayer();
  saved(f);
  std::optional<int> midiAfterSecondEnded;
  EventSteps s = steps();
  s.when([&] { return player->runs().size() == 1; },
         [&] {
           messages.expect();
           QTimer::singleShot(0, f.Cmd_Orvo,
                              [&f] { QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton); });
         })
      .when([&] { return player->runs().size() == 2; },
            [&] { player->release(player->runs()[1].pid); })
      // The second press found MIDI off: its end must leave it off while the first still runs.
      .when([&] { return !RecordingPlayer::running(player->runs()[1].pid); },
            [&] { QTimer::singleShot(200, [&] { midiAfterSecondEnded = midi(f); }); })
      .when([&] { return midiAfterSecondEnded.has_value(); },
            [&] {
              EXPECT_TRUE(RecordingPlayer::running(player->runs()[0].pid));
              player->release(player->runs()[0].pid);
            });
  messages.expect();
  QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton);
  EXPECT_TRUE(s.done());
  EXPECT_EQ(messages.take().size(), 2u);
  ASSERT_EQ(player->runs().size(), 2u);
  EXPECT_EQ(midiAfterSecondEnded, std::optional<int>(0));
  EXPECT_EQ(midiClicks, (std::vector<int>{0, 1}));
  EXPECT_EQ(midi(f), 1);
}

TEST_F(PlayerButton, ClosingTheWindowDuringARunEndsTheProgramAndLeavesThePlayer) {
  shell::Form1& f = startWithPlayer();
  saved(f);
  f.show();
  EventSteps s = steps();
  s.when([&] { return !player->runs().empty(); }, [&f] { f.close(); });
  messages.expect();
  QTimer::singleShot(0, f.Cmd_Orvo, [&f] { QTest::mouseClick(f.Cmd_Orvo, Qt::LeftButton); });
  // The program's own main loop: closing the last window ends it, waits included.
  QApplication::exec();
  EXPECT_TRUE(s.done());
  EXPECT_FALSE(f.isVisible());
  ASSERT_EQ(player->runs().size(), 1u);
  EXPECT_TRUE(RecordingPlayer::running(player->runs()[0].pid));
  // The window let MIDI go for good; the ended wait must not take it back.
  EXPECT_EQ(midiClicks, std::vector<int>{0});
  messages.take();
}

TEST_F(PlayerButton, DestroyingTheWindowDuringARunEndsTheWait) {
  shell::Form1& f = startWithPlayer();
  saved(f);
  EventSteps s = steps();
  s.when([&] { return !player->runs().empty(); }, [this] { form.reset(); });
  messages.expect();
  // The button goes with the window while its click runs; click() guards against that.
  f.Cmd_Orvo->click();
  EXPECT_TRUE(s.done());
  EXPECT_FALSE(form);
  ASSERT_EQ(player->runs().size(), 1u);
  EXPECT_TRUE(RecordingPlayer::running(player->runs()[0].pid));
  EXPECT_EQ(midiClicks, std::vector<int>{0});
  messages.take();
}

}  // namespace
}  // namespace orv::test
