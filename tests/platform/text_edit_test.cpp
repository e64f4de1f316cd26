#include "platform/text_edit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "support/qt_printers.h"

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

TEST(TextEdit, TextReadsBackAsWrittenWithCrLf) {
  const std::pair<QString, QString> rows[] = {
      {QString(), QString()},
      {u"a\r\nb\r\n"_s, u"a\r\nb\r\n"_s},
      {u"\r\n\r\n"_s, u"\r\n\r\n"_s},
      {u"a\nb\n"_s, u"a\nb\n"_s},  // a lone LF stays inside its line
      {u"a\rb"_s, u"a\r\nb"_s},    // a lone CR is a line break
      {u"和音┃～①\r\n[dms]4\u00A0"_s, u"和音┃～①\r\n[dms]4\u00A0"_s},
  };
  TextEdit edit;
  for (const auto& [written, read] : rows) {
    edit.setText(written);
    EXPECT_EQ(std::tuple(edit.Text(), edit.isEmpty()), std::tuple(read, read.isEmpty()));
  }
}

TEST(TextEdit, ChangeIsRaisedOnceAndInsideEveryWriteThatAltersTheText) {
  TextEdit edit;
  QStringList seen;  // the text as the handler saw it
  QObject::connect(&edit, &TextEdit::Change, [&] { seen << edit.Text(); });
  edit.setText(u"l1\r\nl2\r\nl3"_s);
  QTextCursor c = edit.textCursor();
  c.setPosition(1);
  c.setPosition(3, QTextCursor::KeepAnchor);
  edit.setTextCursor(c);
  edit.setSelText(u"X\r\nY"_s);
  edit.setSelText(QString());  // nothing selected, nothing inserted: no change
  edit.setSelText(u"!"_s);     // the caret stood right after the insertion
  EXPECT_EQ(seen, QStringList({u"l1\r\nl2\r\nl3"_s, u"lX\r\nYl2\r\nl3"_s, u"lX\r\nY!l2\r\nl3"_s}));
  EXPECT_FALSE(edit.textCursor().hasSelection());

  edit.setText(QString());
  QSignalSpy typed(&edit, &TextEdit::Change);
  QTest::keyClicks(&edit, u"ab"_s);
  QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
  // Shift+Return is an ordinary line break.
  EXPECT_EQ(std::tuple(typed.count(), edit.Text()), std::tuple(3, u"ab\r\n"_s));
}

// A composition is shown, then cancelled (no commit), committed empty, or committed.
TEST(TextEdit, InputMethodRaisesChangeOnlyForCommittedText) {
  const std::tuple<QString, int, QString> rows[] = {
      {QString(), 0, u"ab"_s},
      {u""_s, 0, u"ab"_s},
      {u"和音"_s, 1, u"a和音b"_s},
  };
  for (const auto& [commit, changes, text] : rows) {
    TextEdit edit;
    edit.setText(u"ab"_s);
    edit.moveCursor(QTextCursor::NextCharacter);
    QSignalSpy spy(&edit, &TextEdit::Change);
    QInputMethodEvent preedit(u"わおん"_s, {}), end;
    if (!commit.isNull()) end.setCommitString(commit);
    QApplication::sendEvent(&edit, &preedit);
    QApplication::sendEvent(&edit, &end);
    EXPECT_EQ(std::tuple(spy.count(), edit.Text()), std::tuple(changes, text));
  }
}

}  // namespace
}  // namespace orv::platform
