#include "platform/text_edit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "support/qt_printers.h"

namespace orv::platform {
namespace {

TEST(TextEdit, TextReadsBackAsWrittenWithCrLf) {
  const std::pair<QString, QString> rows[] = {
      {QString(), QString()},
      {QStringLiteral("a\r\nb\r\n"), QStringLiteral("a\r\nb\r\n")},
      {QStringLiteral("\r\n\r\n"), QStringLiteral("\r\n\r\n")},
      {QStringLiteral("a\nb\n"), QStringLiteral("a\nb\n")},  // a lone LF stays inside its line
      {QStringLiteral("a\rb"), QStringLiteral("a\r\nb")},    // a lone CR is a line break
      {QStringLiteral("和音┃～①\r\n[dms]4\u00A0"), QStringLiteral("和音┃～①\r\n[dms]4\u00A0")},
  };
  TextEdit edit;
  for (const auto& [written, read] : rows) {
    edit.setText(written);
    EXPECT_EQ(edit.Text(), read);
  }
}

TEST(TextEdit, ChangeIsRaisedOnceAndInsideEveryWriteThatAltersTheText) {
  TextEdit edit;
  QStringList seen;  // the text as the handler saw it
  QObject::connect(&edit, &TextEdit::Change, [&] { seen << edit.Text(); });
  edit.setText(QStringLiteral("l1\r\nl2\r\nl3"));
  QTextCursor c = edit.textCursor();
  c.setPosition(1);
  c.setPosition(3, QTextCursor::KeepAnchor);
  edit.setTextCursor(c);
  edit.setSelText(QStringLiteral("X\r\nY"));
  edit.setSelText(QString());            // nothing selected, nothing inserted: no change
  edit.setSelText(QStringLiteral("!"));  // the caret stood right after the insertion
  EXPECT_EQ(seen, QStringList({QStringLiteral("l1\r\nl2\r\nl3"), QStringLiteral("lX\r\nYl2\r\nl3"),
                               QStringLiteral("lX\r\nY!l2\r\nl3")}));
  EXPECT_FALSE(edit.textCursor().hasSelection());

  QSignalSpy typed(&edit, &TextEdit::Change);
  edit.setText(QString());
  typed.clear();
  QTest::keyClicks(&edit, QStringLiteral("ab"));
  QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(typed.count(), 3);
  EXPECT_EQ(edit.Text(), QStringLiteral("ab\r\n")) << "Shift+Return is an ordinary line break";
}

TEST(TextEdit, EmptinessFocusFlagAndBackground) {
  TextEdit edit;
  EXPECT_TRUE(edit.isEmpty());
  edit.setText(QStringLiteral("\r\n"));
  EXPECT_FALSE(edit.isEmpty());

  edit.setAcceptsFocus(false);
  EXPECT_EQ(edit.focusPolicy(), Qt::NoFocus);
  edit.setSelText(QStringLiteral("x"));
  EXPECT_EQ(edit.Text(), QStringLiteral("x\r\n")) << "code still writes at the caret";
  edit.setAcceptsFocus(true);
  EXPECT_EQ(edit.focusPolicy(), Qt::StrongFocus);

  edit.setBackground(TextEdit::Background::Menu);
  EXPECT_EQ(edit.palette().color(QPalette::Base),
            QApplication::palette("QMenu").color(QPalette::Window));
  edit.setBackground(TextEdit::Background::Window);
  EXPECT_EQ(edit.palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
}

// A composition is shown, then cancelled (no commit), committed empty, or committed.
TEST(TextEdit, InputMethodRaisesChangeOnlyForCommittedText) {
  const std::tuple<QString, int, QString> rows[] = {
      {QString(), 0, QStringLiteral("ab")},
      {QStringLiteral(""), 0, QStringLiteral("ab")},
      {QStringLiteral("和音"), 1, QStringLiteral("a和音b")},
  };
  for (const auto& [commit, changes, text] : rows) {
    TextEdit edit;
    edit.setText(QStringLiteral("ab"));
    edit.moveCursor(QTextCursor::NextCharacter);
    QSignalSpy spy(&edit, &TextEdit::Change);
    QInputMethodEvent preedit(QStringLiteral("わおん"), {}), end;
    if (!commit.isNull()) end.setCommitString(commit);
    QApplication::sendEvent(&edit, &preedit);
    QApplication::sendEvent(&edit, &end);
    EXPECT_EQ(spy.count(), changes) << commit.toStdString();
    EXPECT_EQ(edit.Text(), text);
  }
}

}  // namespace
}  // namespace orv::platform
