#include "document/document_commands.h"

#include <QDir>
#include <QRegularExpression>

#include "support/file_bytes.h"
#include "support/form_fixture.h"
#include "support/non_regular_files.h"

namespace orv::document {
namespace {

using namespace Qt::StringLiterals;
using platform::MessageBox;
using shell::Form1;

class FileCommandsTest : public test::FormFixture {
 protected:
  QString put(const QString& name, const QByteArray& bytes) {
    EXPECT_TRUE(test::put(files.filePath(name), bytes));
    return files.filePath(name);
  }
  // Every box shown since the last call, as text [code title], paths relative to the folder.
  // The reason a write failed, on the last line, is the system's own words: only that there is
  // one counts.
  QStringList boxes() {
    QStringList out;
    for (auto box : messages.take()) {
      box.text.remove(files.path() + u'/').replace(QRegularExpression(u"\n[^\n]+$"_s), u"\n…"_s);
      out << box.text + u" [%1 %2]"_s.arg(box.code).arg(box.title);
    }
    return out;
  }
  // The document as the user sees it (file label, state label, caption after the title, text),
  // then each file of the folder with its bytes.
  QString outcome() const {
    QString seen = form->Label1->text() + u' ' + form->Label2->text() + u' ' +
                   form->windowTitle().sliced(form->document().TitleText.size() + 1) + u' ' +
                   form->TextEdit->Text();
    for (const QString& name : QDir(files.path()).entryList(QDir::Files | QDir::Hidden))
      seen += u" | "_s + name + u'=' + QString::fromLatin1(test::contents(files.filePath(name)));
    return seen.remove(files.path() + u'/');
  }

  QTemporaryDir files;
};

struct Transition {
  const char* name;
  bool titled;               // the text came from a.orv ("old"); "x" is typed either way
  QAction* Form1::*command;  // none: the window's close box
  int answer;                // to the save prompt; 0: no prompt
  const char* dialogs;       // "save:" or "open:" and the file chosen; none cancels
  const char* note;          // the box after the prompt
  const char* ends;          // "ended" (Exit) or "closed" (the close box)
  const char* outcome;       // outcome() afterwards
  friend void PrintTo(const Transition& t, std::ostream* os) { *os << t.name; }
};

constexpr int kNo = MessageBox::kNo, kYes = MessageBox::kYes, kCancel = MessageBox::kCancel;
constexpr auto kExit = &Form1::mnuEnd, kOpen = &Form1::mnuOpen, kSaveAs = &Form1::mnuCreateNewFile;
const char* const kKept = "a.orv 更新あり a.orv(更新) xold | a.orv=old\r\n";
const char* const kSaveFailed = "ファイルを保存できませんでした。\na.orv/child.orv\n…";
const Transition kTransitions[] = {
    {"exitNo", true, kExit, kNo, "", "", "ended", kKept},
    {"exitYes", true, kExit, kYes, "", "", "ended", "a.orv 更新なし a.orv xold | a.orv=xold\r\n"},
    {"exitCancel", true, kExit, kCancel, "", "", "", kKept},
    {"exitYesUntitled", false, kExit, kYes, "save:b.orv", "", "ended",
     "b.orv 更新なし b.orv x | a.orv=old\r\n | b.orv=x\r\n"},
    {"exitYesSaveCancelled", false, kExit, kYes, "save:", "保存していません", "",
     " 更新あり (更新) x | a.orv=old\r\n"},
    {"closeNo", true, nullptr, kNo, "", "", "closed", kKept},
    {"closeCancel", true, nullptr, kCancel, "", "", "", kKept},
    {"openCancel", true, kOpen, kCancel, "", "", "", kKept},
    {"openDialogCancelled", true, kOpen, kNo, "open:", "読み込みを中止しました", "", kKept},
    {"openAfterASaveThatDidNotHappen", false, kOpen, kYes, "save: open:a.orv", "保存していません",
     "", "a.orv 更新なし a.orv old | a.orv=old\r\n"},
    // The user was just told the text could not be written: no Open dialog to replace it.
    {"openAfterASaveThatFailed", false, kOpen, kYes, "save:a.orv/child.orv", kSaveFailed, "",
     " 更新あり (更新) x | a.orv=old\r\n"},
    // A file that exists but is not read never becomes the document's file.
    {"openRefusedFile", true, kOpen, kNo, "open:.", "ファイルを読み込めませんでした。\n.\n…", "",
     kKept},
    // The path is taken before the read fails: the label names it, the caption the old file.
    {"openMissingFile", true, kOpen, kNo, "open:none.orv", "ファイルが存在しません", "",
     "none.orv 更新なし a.orv xold | a.orv=old\r\n"},
    {"saveAsCancelled", true, kSaveAs, 0, "save:", "保存していません", "", kKept},
    {"saveAsFails", true, kSaveAs, 0, "save:a.orv/child.orv", kSaveFailed, "", kKept},
};

class FileCommands : public FileCommandsTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(FileCommands, LeaveTheDocumentTheFilesAndTheProgramAsExpected) {
  const Transition& row = GetParam();
  const QString score = put(u"a.orv"_s, "old\r\n");
  start(row.titled ? QStringList{score} : QStringList{});
  form->document().LastFolder = files.path();  // as the INI file's Lastpath gives it
  QTest::keyClicks(form->TextEdit, u"x"_s);
  midi.open(0);
  if (row.answer) messages.expect(row.answer);
  for (const QString& step : QString::fromUtf8(row.dialogs).split(u' ', Qt::SkipEmptyParts))
    step.endsWith(u':') ? dialog.cancel() : dialog.choose(files.filePath(step.section(u':', 1)));
  if (*row.note) messages.expect();

  const bool closed = !row.command && form->close();
  if (row.command) (form.get()->*row.command)->trigger();

  QStringList shown;
  if (row.answer)
    shown << (row.titled ? u"a.orv"_s : u"(無題)"_s) +
                 u"は更新されています。保存しますか？ [51 Orvo Editor]"_s;
  if (*row.note) shown << QString::fromUtf8(row.note) + u" [0 OrvEditor]"_s;
  EXPECT_EQ(boxes(), shown);
  for (const auto& d : dialog.shown()) {
    EXPECT_EQ(std::tuple(d.title, d.folder),
              std::tuple(d.save ? u"Orvoファイルの保存"_s : u"Orvoファイルを開く"_s, files.path()));
  }
  // Exit ends at once and leaves MIDI as it is; closing the window switches MIDI off first.
  EXPECT_EQ(midi.resets + midi.closes, closed ? 2 : 0);
  EXPECT_EQ(closed ? "closed" : endProgramCalls ? "ended" : "", std::string(row.ends));
  EXPECT_EQ(outcome(), QString::fromUtf8(row.outcome));
}

INSTANTIATE_TEST_SUITE_P(Rows, FileCommands, ::testing::ValuesIn(kTransitions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileCommandsTest, ALoadedDocumentIsSavedOnlyWhenEveryCharacterFits) {
  for (int box = 0; box < 4; ++box) messages.expect();
  start({put(u"a.orv"_s, "ok\r\n\x81\x20\xFD\r\n")});
  form->mnuUpdate->trigger();
  EXPECT_EQ(outcome(),
            u"a.orv 更新なし a.orv ok\r\n\uFFFD \uFFFD | a.orv=ok\r\n\x81\x20\xFD\r\n"_s);
  // Emptied, the document is still unchanged: Exit does not ask, and Save writes it again
  // without asking either.
  QTest::keyClick(form->TextEdit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(form->TextEdit, Qt::Key_Delete);
  form->mnuEnd->trigger();
  form->mnuUpdate->trigger();
  // The last text is written in pieces, and each of its line ends is a unit longer in the file
  // than in the control.
  for (const QString& text : {u"xold\U0001F3B5"_s, u"d4\r\n"_s.repeated(20000) + u"d4©"_s}) {
    form->TextEdit->setText(text);
    form->mnuUpdate->trigger();
    EXPECT_EQ(outcome().remove(text), u"a.orv 更新あり a.orv(更新)  | a.orv=\r\n"_s);
  }
  QStringList shown{
      u"Shift_JIS として読めないバイトがあります（2行目）。その部分は � で表示しています。 [0 OrvEditor]"_s};
  for (const char16_t* where :
       {u"2行 1文字目: U+FFFD", u"1行 5文字目: U+1F3B5", u"20001行 3文字目: U+00A9"})
    shown << u"Shift_JIS で保存できない文字があります（%1）。保存していません [0 OrvEditor]"_s.arg(
        where);
  EXPECT_EQ(boxes(), shown);
}

TEST_F(FileCommandsTest, SpecialAndHugeFilesAreRefusedAtOnceAndChangeNothing) {
  QTemporaryDir special;
  const QString sparse = special.filePath(u"huge.orv"_s);
  ASSERT_TRUE(test::put(sparse, {}) && QFile::resize(sparse, qint64{1} << 30));
  auto rows = test::nonRegularFiles(special.path());
  ASSERT_FALSE(rows.empty());
  rows.insert(rows.end(), {{special.path(), u"フォルダーです。ファイルを選んでください。"_s},
                           {sparse, u"ファイルが大きすぎます（256 MiB まで）。"_s}});
  const QString score = put(u"a.orv"_s, "old\r\n");
  for (const auto& [path, reason] : rows) {
    SCOPED_TRACE(path.toStdString());
    const QString box = u"ファイルを読み込めませんでした。\n"_s + path + u'\n' + reason;
    // Named on the command line: an empty untitled document, not one that would save over it.
    messages.expect();
    start({path});
    EXPECT_EQ(messages.takeTexts(), QStringList{box});
    EXPECT_EQ(form->document().FilePath, QString());
    EXPECT_EQ(form->windowTitle(), form->document().TitleText + u' ');
    // Chosen in the Open dialog: the document and its file stay as they were.
    dialog.choose(score);
    form->mnuOpen->trigger();
    messages.expect();
    dialog.choose(path);
    form->mnuOpen->trigger();
    EXPECT_EQ(messages.takeTexts(), QStringList{box});
    EXPECT_EQ(outcome().section(u" | "_s, 0, 0), u"a.orv 更新なし a.orv old"_s);
  }
}

}  // namespace
}  // namespace orv::document
