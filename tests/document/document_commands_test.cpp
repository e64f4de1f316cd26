#include "document/document_commands.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "midi/module1.h"
#include "platform/text_edit.h"
#include "support/form_fixture.h"

namespace orv::document {
namespace {

using platform::MessageBox;
using Shown = test::ScriptedMessageBox::Shown;

const QString kPromptTail = QStringLiteral("は更新されています。保存しますか？");

class DocumentCommandsTest : public test::FormFixture {
 protected:
  DocumentCommands& doc() { return form->document(); }
  platform::TextEdit& text() { return *form->TextEdit; }
  QString path(const QString& name) const { return files.filePath(name); }
  QString caption() const { return form->windowTitle(); }
  QString head() { return doc().TitleText + u' '; }

  static QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QString put(const QString& name, const QByteArray& bytes) {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path(name);
  }
  void type(const char* keys) { QTest::keyClicks(&text(), QString::fromLatin1(keys)); }

  void expectNotModified(const QString& shownPath) {
    EXPECT_EQ(doc().Modified, 0);
    EXPECT_EQ(form->Label2->text(), QStringLiteral("更新なし"));
    EXPECT_EQ(caption(), head() + shownPath);
  }
  void expectModified() {
    EXPECT_EQ(doc().Modified, 1);
    EXPECT_EQ(form->Label2->text(), QStringLiteral("更新あり"));
    EXPECT_EQ(caption(), head() + doc().FilePath + QStringLiteral("(更新)"));
  }
  static void expectPrompt(const Shown& box, const QString& title) {
    EXPECT_EQ(box.text, title + kPromptTail);
    EXPECT_EQ(box.code, MessageBox::kYesNoCancelWarning);
    EXPECT_EQ(box.title, QStringLiteral("Orvo Editor"));
  }
  static void expectNote(const Shown& box, const QString& text) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.code, MessageBox::kOkOnly);
    EXPECT_EQ(box.title, platform::kApplicationTitle);
  }

  // A document loaded from `score.orv` holding "old", then changed by typing.
  QString startModifiedTitled() {
    const QString score = put(QStringLiteral("score.orv"), "old\r\n");
    start({score});
    type("x");
    return score;
  }

  QTemporaryDir files;
};

TEST_F(DocumentCommandsTest, TypingMarksTheDocumentModifiedInTheCaption) {
  start();
  expectNotModified(QString());
  EXPECT_EQ(caption(), doc().TitleText + u' ');
  type("d");
  expectModified();
  EXPECT_EQ(caption(), doc().TitleText + QStringLiteral(" (更新)"));
}

TEST_F(DocumentCommandsTest, DeletingEverythingLeavesTheDocumentNotModified) {
  const QString score = put(QStringLiteral("a.orv"), "d4 r4\r\n");
  start({score});
  QTest::keyClick(&text(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&text(), Qt::Key_Delete);
  ASSERT_TRUE(text().isEmpty());
  expectNotModified(score);
  form->mnuEnd->trigger();
  EXPECT_EQ(endProgramCalls, 1);
  EXPECT_TRUE(messages.shown().empty());
}

// The save prompt guards Exit and the window's close the same way.
struct GuardRow {
  const char* name;
  bool close;           // the window's close box instead of Exit
  bool titled;          // the document came from a file
  int answer;           // to the save prompt
  bool saveDialogPath;  // Yes on an untitled document: a path is chosen, else the dialog cancels
  bool ends;
};

void PrintTo(const GuardRow& r, std::ostream* os) {
  *os << r.name;
}

class SavePromptGuard : public DocumentCommandsTest,
                        public ::testing::WithParamInterface<GuardRow> {};

TEST_P(SavePromptGuard, EndsOnlyWhenTheChangesAreSavedOrDiscarded) {
  const GuardRow& row = GetParam();
  QString score;
  if (row.titled) {
    score = startModifiedTitled();
  } else {
    start();
    type("new");
  }
  form->module1().OpenMidiOut(0);
  form->show();
  messages.expect(row.answer);
  const QString chosen = path(QStringLiteral("chosen.orv"));
  const bool untitledSave = !row.titled && row.answer == MessageBox::kYes;
  if (untitledSave) {
    if (row.saveDialogPath) {
      dialog.choose(chosen);
    } else {
      dialog.cancel();
      messages.expect();
    }
  }

  const bool closed = row.close ? form->close() : false;
  if (!row.close) form->mnuEnd->trigger();

  const std::vector<Shown> shown = messages.take();
  ASSERT_FALSE(shown.empty());
  expectPrompt(shown[0], row.titled ? score : QStringLiteral("(無題)"));
  if (untitledSave && !row.saveDialogPath)
    expectNote(shown.at(1), QStringLiteral("保存していません"));

  if (row.close) {
    EXPECT_EQ(closed, row.ends);
    EXPECT_EQ(midi.resets, row.ends ? 1 : 0);
    EXPECT_EQ(midi.closes, row.ends ? 1 : 0);
    EXPECT_EQ(endProgramCalls, 0);
  } else {
    // Exit ends at once: no close handling, MIDI left as it is.
    EXPECT_EQ(endProgramCalls, row.ends ? 1 : 0);
    EXPECT_EQ(midi.resets, 0);
  }
  const bool saved = row.answer == MessageBox::kYes && (row.titled || row.saveDialogPath);
  if (row.titled) {
    EXPECT_EQ(bytesOf(score), saved ? QByteArray("xold\r\n") : QByteArray("old\r\n"));
  } else {
    EXPECT_EQ(QFile::exists(chosen), saved);
  }
  if (!row.ends) expectModified();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SavePromptGuard,
    ::testing::Values(
        GuardRow{"exitNo", false, true, MessageBox::kNo, false, true},
        GuardRow{"exitYesTitled", false, true, MessageBox::kYes, false, true},
        GuardRow{"exitCancel", false, true, MessageBox::kCancel, false, false},
        GuardRow{"exitYesUntitledSaved", false, false, MessageBox::kYes, true, true},
        GuardRow{"exitYesSaveDialogCancelled", false, false, MessageBox::kYes, false, false},
        GuardRow{"exitNoUntitled", false, false, MessageBox::kNo, false, true},
        GuardRow{"closeNo", true, true, MessageBox::kNo, false, true},
        GuardRow{"closeYesTitled", true, true, MessageBox::kYes, false, true},
        GuardRow{"closeCancel", true, true, MessageBox::kCancel, false, false},
        GuardRow{"closeYesSaveDialogCancelled", true, false, MessageBox::kYes, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentCommandsTest, SaveOnAnUnmodifiedTitledDocumentWritesAgainWithoutADialog) {
  const QString score = put(QStringLiteral("a.orv"), "d4\r\n");
  start({score});
  put(QStringLiteral("a.orv"), "changed elsewhere");
  form->mnuUpdate->trigger();
  EXPECT_EQ(bytesOf(score), QByteArray("d4\r\n"));
  EXPECT_TRUE(dialog.shown().empty());
  EXPECT_EQ(doc().SaveAnswer, 0);
  expectNotModified(score);
}

TEST_F(DocumentCommandsTest, SaveOnAnUntitledDocumentAsksForTheName) {
  ini.values.insert(QStringLiteral("Lastpath"), files.path());
  start();
  type("d4");
  const QString chosen = path(QStringLiteral("sub/new.orv"));
  ASSERT_TRUE(QDir(files.path()).mkdir(QStringLiteral("sub")));
  dialog.choose(chosen);
  form->mnuUpdate->trigger();
  ASSERT_EQ(dialog.shown().size(), 1u);
  EXPECT_TRUE(dialog.shown()[0].save);
  EXPECT_EQ(dialog.shown()[0].title, QStringLiteral("Orvoファイルの保存"));
  EXPECT_EQ(dialog.shown()[0].initDir, files.path());
  EXPECT_EQ(bytesOf(chosen), QByteArray("d4\r\n"));
  EXPECT_EQ(doc().FilePath, chosen);
  EXPECT_EQ(form->Label1->text(), chosen);
  EXPECT_EQ(doc().LastFolder, path(QStringLiteral("sub")));
  expectNotModified(chosen);
}

TEST_F(DocumentCommandsTest, SaveAsCancelledSavesNothing) {
  const QString score = startModifiedTitled();
  dialog.cancel();
  messages.expect();
  form->mnuCreateNewFile->trigger();
  expectNote(messages.take().at(0), QStringLiteral("保存していません"));
  EXPECT_EQ(doc().SaveAnswer, 2);
  EXPECT_EQ(doc().FilePath, score);
  EXPECT_EQ(bytesOf(score), QByteArray("old\r\n"));
  expectModified();
}

TEST_F(DocumentCommandsTest, OpenReadsTheChosenFile) {
  start();
  const QString score = put(QStringLiteral("a.orv"), "\x98\x61\x89\xB9\r\n\x84\xAB");
  dialog.choose(score);
  form->mnuOpen->trigger();
  ASSERT_EQ(dialog.shown().size(), 1u);
  EXPECT_FALSE(dialog.shown()[0].save);
  EXPECT_EQ(dialog.shown()[0].title, QStringLiteral("Orvoファイルを開く"));
  EXPECT_EQ(text().Text(), QStringLiteral("和音\r\n┃"));
  EXPECT_EQ(doc().FilePath, score);
  EXPECT_EQ(form->Label1->text(), score);
  EXPECT_EQ(doc().LastFolder, files.path());
  expectNotModified(score);
}

TEST_F(DocumentCommandsTest, OpenCancelledAtThePromptOrInTheDialogChangesNothing) {
  const QString score = startModifiedTitled();
  messages.expect(MessageBox::kCancel);
  form->mnuOpen->trigger();
  expectPrompt(messages.take().at(0), score);
  EXPECT_TRUE(dialog.shown().empty());

  messages.expect(MessageBox::kNo);
  dialog.cancel();
  messages.expect();
  form->mnuOpen->trigger();
  expectNote(messages.take().at(1), QStringLiteral("読み込みを中止しました"));
  EXPECT_EQ(doc().SaveAnswer, 2);
  EXPECT_EQ(text().Text(), QStringLiteral("xold"));
  expectModified();
}

TEST_F(DocumentCommandsTest, OpenGoesOnAfterASaveThatDidNotHappen) {
  start();
  type("unsaved");
  const QString score = put(QStringLiteral("a.orv"), "a\r\n");
  messages.expect(MessageBox::kYes);
  dialog.cancel();  // the Save dialog
  messages.expect();
  dialog.choose(score);  // the Open dialog
  form->mnuOpen->trigger();
  const auto shown = messages.take();
  expectPrompt(shown.at(0), QStringLiteral("(無題)"));
  expectNote(shown.at(1), QStringLiteral("保存していません"));
  EXPECT_EQ(text().Text(), QStringLiteral("a"));
  expectNotModified(score);
}

TEST_F(DocumentCommandsTest, OpenOfAFileThatCannotBeReadKeepsTheTextButTakesThePath) {
  const QString score = startModifiedTitled();
  const QString missing = path(QStringLiteral("missing.orv"));
  messages.expect(MessageBox::kNo);
  dialog.choose(missing);
  messages.expect();
  form->mnuOpen->trigger();
  expectNote(messages.take().at(1), QStringLiteral("ファイルが存在しません"));
  EXPECT_EQ(text().Text(), QStringLiteral("xold"));
  EXPECT_EQ(doc().FilePath, missing);
  EXPECT_EQ(form->Label1->text(), missing);
  expectNotModified(score);  // the caption still names the old file
}

TEST_F(DocumentCommandsTest, AFailedWriteKeepsTheOldFileAndTheModifiedState) {
  const QString score = startModifiedTitled();
  for (const QString& target : {score + QStringLiteral("/child.orv"), files.path()}) {
    dialog.choose(target);
    messages.expect();
    form->mnuCreateNewFile->trigger();
    const QString message = messages.take().at(0).text;
    const QStringList lines = message.split(u'\n');
    ASSERT_EQ(lines.size(), 3) << message.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("ファイルを保存できませんでした。"));
    EXPECT_EQ(lines[1], target);
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_EQ(doc().SaveAnswer, 2);
    EXPECT_EQ(doc().FilePath, score);
    EXPECT_EQ(form->Label1->text(), score);
    expectModified();
  }
  EXPECT_EQ(bytesOf(score), QByteArray("old\r\n"));
  EXPECT_EQ(QDir(files.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("score.orv")});

  // Exit after Yes and a failed save is called off.
  QFile::remove(score);
  ASSERT_TRUE(QDir(files.path()).mkdir(QStringLiteral("score.orv")));
  messages.expect(MessageBox::kYes);
  messages.expect();
  form->mnuEnd->trigger();
  EXPECT_EQ(endProgramCalls, 0);
  expectModified();
}

TEST_F(DocumentCommandsTest, ACharacterShiftJisCannotHoldStopsTheSave) {
  struct Row {
    QString insert;
    QString where;
  };
  const Row rows[] = {
      {QStringLiteral("\r\nd4©"), QStringLiteral("2行 3文字目: U+00A9")},
      {QStringLiteral("\U0001F3B5"), QStringLiteral("1行 5文字目: U+1F3B5")},
  };
  const QString score = startModifiedTitled();
  for (const Row& row : rows) {
    text().setText(QStringLiteral("xold"));
    text().moveCursor(QTextCursor::End);
    text().setSelText(row.insert);
    messages.expect();
    form->mnuUpdate->trigger();
    expectNote(messages.take().at(0), QStringLiteral("Shift_JIS で保存できない文字があります（") +
                                          row.where + QStringLiteral("）。保存していません"));
    EXPECT_EQ(doc().SaveAnswer, 2);
    EXPECT_EQ(bytesOf(score), QByteArray("old\r\n"));
    expectModified();
  }
}

TEST_F(DocumentCommandsTest, BytesThatAreNotShiftJisLoadAsReplacementAndCannotBeSavedBack) {
  const QString bad = put(QStringLiteral("bad.orv"), "ok\r\n\x81\x20\xFD\r\n");
  messages.expect();
  start({bad});
  expectNote(
      messages.take().at(0),
      QStringLiteral(
          "Shift_JIS として読めないバイトがあります（2行目）。その部分は � で表示しています。"));
  EXPECT_EQ(text().Text(), QStringLiteral("ok\r\n\uFFFD \uFFFD"));
  expectNotModified(bad);

  messages.expect();
  form->mnuUpdate->trigger();
  expectNote(
      messages.take().at(0),
      QStringLiteral(
          "Shift_JIS で保存できない文字があります（2行 1文字目: U+FFFD）。保存していません"));
  EXPECT_EQ(bytesOf(bad), QByteArray("ok\r\n\x81\x20\xFD\r\n"));
}

}  // namespace
}  // namespace orv::document
