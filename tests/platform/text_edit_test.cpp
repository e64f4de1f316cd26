#include "platform/text_edit.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace orv::platform {
namespace {

struct RoundTrip {
  const char* name;
  QString text;
};

void PrintTo(const RoundTrip& r, std::ostream* os) { *os << r.name; }

class TextEditRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(TextEditRoundTrip, TextReadsBackAsWritten) {
  TextEdit edit;
  edit.setText(GetParam().text);
  EXPECT_EQ(edit.Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextEditRoundTrip,
    ::testing::Values(RoundTrip{"empty", QString()}, RoundTrip{"oneLine", QStringLiteral("d4r8")},
                      RoundTrip{"crlf", QStringLiteral("a\r\nb\r\n")},
                      RoundTrip{"loneLfInsideLine", QStringLiteral("a\nb\n")},
                      RoundTrip{"japanese", QStringLiteral("和音┃～①\r\n[dms]4")},
                      RoundTrip{"emptyLines", QStringLiteral("\r\n\r\n")},
                      RoundTrip{"nbspKept", QStringLiteral("a\u00A0b")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextEdit, LoneCrIsALineBreak) {
  TextEdit edit;
  edit.setText(QStringLiteral("a\rb"));
  EXPECT_EQ(edit.Text(), QStringLiteral("a\r\nb"));
}

TEST(TextEdit, ChangeIsEmittedOnceAndSynchronouslyPerWrite) {
  TextEdit edit;
  int changes = 0;
  QString textAtChange;
  QObject::connect(&edit, &TextEdit::Change, [&] {
    ++changes;
    textAtChange = edit.Text();
  });
  edit.setText(QStringLiteral("line1\r\nline2\r\nline3"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(textAtChange, QStringLiteral("line1\r\nline2\r\nline3"));

  edit.setSelText(QStringLiteral("x\r\ny"));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(textAtChange, edit.Text());
}

TEST(TextEdit, InsertingNothingWithoutSelectionIsNoChange) {
  TextEdit edit;
  edit.setText(QStringLiteral("abc"));
  QSignalSpy spy(&edit, &TextEdit::Change);
  edit.setSelText(QString());
  EXPECT_EQ(spy.count(), 0);
  EXPECT_EQ(edit.Text(), QStringLiteral("abc"));
}

TEST(TextEdit, SelTextReplacesSelectionAndLeavesCaretAfterIt) {
  TextEdit edit;
  edit.setText(QStringLiteral("abcdef"));
  QTextCursor c = edit.textCursor();
  c.setPosition(1);
  c.setPosition(3, QTextCursor::KeepAnchor);
  edit.setTextCursor(c);
  edit.setSelText(QStringLiteral("XY\r\nZ"));
  EXPECT_EQ(edit.Text(), QStringLiteral("aXY\r\nZdef"));
  EXPECT_FALSE(edit.textCursor().hasSelection());
  // The caret stands right after the inserted text: typing continues there.
  edit.setSelText(QStringLiteral("!"));
  EXPECT_EQ(edit.Text(), QStringLiteral("aXY\r\nZ!def"));
}

TEST(TextEdit, UserTypingRaisesChangePerEdit) {
  TextEdit edit;
  QSignalSpy spy(&edit, &TextEdit::Change);
  QTest::keyClicks(&edit, QStringLiteral("ab"));
  EXPECT_EQ(spy.count(), 2);
  QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(edit.Text(), QStringLiteral("ab\r\n")) << "Shift+Return is an ordinary line break";
}

TEST(TextEdit, EmptinessAndFocusFlag) {
  TextEdit edit;
  EXPECT_TRUE(edit.isEmpty());
  edit.setText(QStringLiteral("\r\n"));
  EXPECT_FALSE(edit.isEmpty());
  edit.setText(QString());
  EXPECT_TRUE(edit.isEmpty());

  EXPECT_TRUE(edit.acceptsFocus());
  edit.setAcceptsFocus(false);
  EXPECT_EQ(edit.focusPolicy(), Qt::NoFocus);
  edit.setSelText(QStringLiteral("still written"));
  EXPECT_EQ(edit.Text(), QStringLiteral("still written"));
  edit.setAcceptsFocus(true);
  EXPECT_EQ(edit.focusPolicy(), Qt::StrongFocus);
}

TEST(TextEdit, BackgroundFollowsThePalettesRoles) {
  TextEdit edit;
  edit.setBackground(TextEdit::Background::Menu);
  EXPECT_EQ(edit.palette().color(QPalette::Base),
            QApplication::palette("QMenu").color(QPalette::Window));
  edit.setBackground(TextEdit::Background::Window);
  EXPECT_EQ(edit.palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
}

}  // namespace
}  // namespace orv::platform
