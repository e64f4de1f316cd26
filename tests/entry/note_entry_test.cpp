#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "entry/note_entry.h"
#include "midi/module1.h"
#include "platform/control_value.h"
#include "platform/text_edit.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

// A note event as it reached the MIDI output: +n for note n on, -n for note n off.
std::vector<int> noteEvents(RecordingMidiService& midi) {
  std::vector<int> events;
  for (const std::uint32_t m : midi.takeSent()) {
    const int note = static_cast<int>((m >> 8) & 0x7F);
    if ((m & 0xF0) == 0x90) events.push_back(note);
    if ((m & 0xF0) == 0x80) events.push_back(-note);
  }
  return events;
}

// The event order of a real double click: press, release, double click, release.
void doubleClick(QWidget* w) {
  QTest::mousePress(w, Qt::LeftButton);
  QTest::mouseRelease(w, Qt::LeftButton);
  const QPoint at = w->rect().center();
  QMouseEvent dbl(QEvent::MouseButtonDblClick, at, w->mapToGlobal(at), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &dbl);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

class NoteEntryTest : public FormFixture {
 protected:
  shell::Form1& f() { return *form; }
  entry::NoteEntry& e() { return form->entry(); }

  void startShown() {
    start();
    showActive();
    form->module1().OpenMidiOut(-1);
    midi.takeSent();
  }

  void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
  QString token() const { return form->Cmd_Tone->text(); }
  QWidget* focus() const { return QApplication::focusWidget(); }

  // A key event as the window system delivers it: to the widget with the focus.
  void key(QEvent::Type type, int qtKey, bool autoRepeat = false, quint32 scanCode = 0) {
    QString text;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) text = QChar(u'a' + (qtKey - Qt::Key_A));
    QKeyEvent event(type, qtKey, Qt::NoModifier, scanCode, 0, 0, text, autoRepeat);
    QWidget* target = focus() ? focus() : form.get();
    QApplication::sendEvent(target, &event);
  }
  void press(int qtKey, bool autoRepeat = false) { key(QEvent::KeyPress, qtKey, autoRepeat); }
  void release(int qtKey, bool autoRepeat = false) { key(QEvent::KeyRelease, qtKey, autoRepeat); }

  void setKeyMode(bool on) {
    if (platform::value(*form->Chk_Key) != (on ? 1 : 0)) click(form->Chk_Key);
  }

  void chooseSystem(int system) { platform::setListIndex(*form->Combo3, system); }

  std::vector<QString> captions(std::initializer_list<int> keys) const {
    std::vector<QString> out;
    for (const int k : keys) out.push_back(form->Opt_Scl[static_cast<std::size_t>(k)]->text());
    return out;
  }
};

std::vector<QString> strings(std::initializer_list<const char*> list) {
  std::vector<QString> out;
  for (const char* s : list) out.push_back(QString::fromUtf8(s));
  return out;
}

// Naming systems

TEST_F(NoteEntryTest, EachSystemCaptionsBothOctavesAndLeavesTheRestKey) {
  startShown();
  ASSERT_EQ(f().Combo3->count(), 6);
  EXPECT_EQ(f().Combo3->currentIndex(), 0);
  EXPECT_EQ(f().Combo3->itemText(4), QStringLiteral("独系(ＡＨＣ調)＃"));
  EXPECT_EQ(token(), QString());
  const std::initializer_list<int> keys{1, 10, 11, 12, 13, 22, 23, 24, 25};
  EXPECT_EQ(captions(keys), strings({"d+", "l+", "c", "d", "d+", "l+", "c", "d", "_"}));
  chooseSystem(4);
  EXPECT_EQ(captions(keys), strings({"c+", "b", "h", "c", "c+", "b", "h", "c", "_"}));
  // The user steps to the next entry with the keyboard.
  f().Combo3->setFocus();
  QTest::keyClick(f().Combo3, Qt::Key_Down);
  EXPECT_EQ(captions(keys), strings({"d-", "b", "h", "c", "d-", "b", "h", "c", "_"}));
  chooseSystem(3);
  EXPECT_EQ(captions(keys), strings({"d-", "b-", "b", "c", "d-", "b-", "b", "c", "_"}));
}

TEST_F(NoteEntryTest, ChangeOfSystemKeepsTokenChordSelectionAndFocus) {
  startShown();
  click(f().Opt_Scl[1]);
  ASSERT_EQ(token(), QStringLiteral("d+"));
  QWidget* focused = focus();
  chooseSystem(1);
  EXPECT_EQ(token(), QStringLiteral("d+"));
  EXPECT_EQ(e().NoteName, QStringLiteral("d+"));
  EXPECT_TRUE(f().Opt_Scl[1]->isChecked());
  EXPECT_EQ(focus(), focused);
  click(f().Opt_Scl[3]);
  click(f().Opt_Scl[1]);
  EXPECT_EQ(token(), QStringLiteral("r-"));

  chooseSystem(0);
  click(f().Chk_Ham);
  click(f().Opt_Scl[0]);
  chooseSystem(2);
  click(f().Opt_Scl[7]);
  EXPECT_EQ(token(), QStringLiteral("[dg]"));
  EXPECT_EQ(e().ChordCount, 2);

  // The system already in force: same captions, nothing else touched.
  chooseSystem(2);
  EXPECT_EQ(captions({0, 7}), strings({"c", "g"}));
  EXPECT_EQ(token(), QStringLiteral("[dg]"));
}

// The pending token

TEST_F(NoteEntryTest, ClicksComposeTheTokenAndTheFocusFollowsKeyMode) {
  startShown();
  for (const bool keyMode : {false, true}) {
    setKeyMode(keyMode);
    click(f().Cmd_Tcl);
    const std::pair<QAbstractButton*, const char*> steps[] = {
        {f().Opt_Scl[2], "r"},   {f().Opt_Lng[3], "r4"}, {f().Opt_Sln[2], "r4^"},
        {f().Opt_Scl[4], "m4^"}, {f().Opt_Sln[6], "m4"}, {f().Opt_Scl[25], "_4"},
    };
    for (const auto& [button, shown] : steps) {
      SCOPED_TRACE(button->objectName().toStdString() + (keyMode ? " in Key mode" : ""));
      f().Cmd_Tcl->setFocus();
      click(button);
      EXPECT_EQ(token(), QString::fromLatin1(shown));
      EXPECT_EQ(focus(), keyMode ? static_cast<QWidget*>(button) : f().TextEdit);
    }
    for (QAbstractButton* b : {f().Chk_Ham, f().Chk_Ham, f().Cmd_Tcl}) {
      click(b);
      EXPECT_EQ(focus(), b);
    }
  }
}

TEST_F(NoteEntryTest, ChordGathersFiveKeysAndRefusesTheSixth) {
  startShown();
  click(f().Opt_Lng[3]);
  click(f().Chk_Ham);
  EXPECT_EQ(token(), QString());
  EXPECT_EQ(e().LengthText, QString());
  const std::pair<int, const char*> keys[] = {
      {0, "[d]"}, {4, "[dm]"}, {7, "[dms]"}, {25, "[dms_]"}, {12, "[dms_d]"}};
  for (const auto& [k, shown] : keys) {
    click(f().Opt_Scl[static_cast<std::size_t>(k)]);
    EXPECT_EQ(token(), QString::fromLatin1(shown));
  }
  click(f().Opt_Lng[4]);
  EXPECT_EQ(token(), QStringLiteral("[dms_d]"));
  const std::array<QString, 5> gathered{QStringLiteral("0"), QStringLiteral("4"),
                                        QStringLiteral("7"), QStringLiteral("25"),
                                        QStringLiteral("12")};
  EXPECT_EQ(e().ChordKeys, gathered);

  messages.expect();
  click(f().Opt_Scl[9]);
  const auto shown = messages.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("和音は５つ迄です。"));
  EXPECT_EQ(shown[0].code, 0);
  EXPECT_EQ(shown[0].title, QStringLiteral("OrvEditor"));
  EXPECT_EQ(token(), QStringLiteral("[dms_d]"));
  EXPECT_EQ(e().ChordCount, 5);
  EXPECT_EQ(e().ChordKeys, gathered);

  click(f().Chk_Ham);
  EXPECT_EQ(e().ChordMode, 0);
  EXPECT_EQ(token(), QString());
  EXPECT_EQ(e().ChordCount, 0);
  EXPECT_EQ(e().ChordKeys, (std::array<QString, 5>{}));
  click(f().Opt_Scl[2]);
  EXPECT_EQ(token(), QStringLiteral("r"));  // the length chosen before chord mode is gone
}

TEST_F(NoteEntryTest, ClearEmptiesTheTokenInBothModes) {
  startShown();
  for (const bool chord : {false, true}) {
    SCOPED_TRACE(chord);
    click(f().Opt_Lng[3]);
    click(f().Opt_Sln[0]);
    click(f().Opt_Scl[4]);
    click(f().Cmd_Tcl);
    EXPECT_EQ(token(), QString());
    EXPECT_EQ(e().NoteName + e().LengthText + e().SuffixText, QString());
    EXPECT_EQ(e().ChordCount, 0);
    EXPECT_EQ(e().ChordMode, chord ? 1 : 0);
    EXPECT_TRUE(f().Opt_Scl[4]->isChecked());
    EXPECT_EQ(focus(), f().Cmd_Tcl);
    click(f().Opt_Scl[7]);
    EXPECT_EQ(token(), chord ? QStringLiteral("[s]") : QStringLiteral("s"));
    if (!chord) click(f().Chk_Ham);
  }
  click(f().Cmd_Tcl);
  click(f().Opt_Lng[2]);
  EXPECT_EQ(token(), QStringLiteral("[]"));
}

// Insertion

TEST_F(NoteEntryTest, EveryInsertionGoesInAtTheCaretOrOverTheSelection) {
  struct Row {
    const char* what;
    std::function<void(shell::Form1&)> act;
    const char* inserted;
  };
  const Row rows[] = {
      {"Enter", [](shell::Form1& f) { QTest::mouseClick(f.Cmd_Ent, Qt::LeftButton); }, "d4"},
      {"CrLf", [](shell::Form1& f) { QTest::mouseClick(f.Cmd_Cod[0], Qt::LeftButton); }, "\r\n"},
      {"bar line", [](shell::Form1& f) { QTest::mouseClick(f.Cmd_Ltr[0], Qt::LeftButton); }, "┃"},
      {"key 0", [](shell::Form1& f) { doubleClick(f.Opt_Scl[0]); }, "d"},
      {"key 13", [](shell::Form1& f) { doubleClick(f.Opt_Scl[13]); }, "d+"},
      {"rest key", [](shell::Form1& f) { doubleClick(f.Opt_Scl[25]); }, "_"},
      {"length 16", [](shell::Form1& f) { doubleClick(f.Opt_Lng[5]); }, "16"},
      {"suffix .", [](shell::Form1& f) { doubleClick(f.Opt_Sln[0]); }, "."},
      {"suffix /", [](shell::Form1& f) { doubleClick(f.Opt_Sln[5]); }, "/"},
      {"empty suffix", [](shell::Form1& f) { doubleClick(f.Opt_Sln[6]); }, ""},
      {"octave down", [](shell::Form1& f) { doubleClick(f.Opt_Oct[0]); }, "<"},
      {"octave up", [](shell::Form1& f) { doubleClick(f.Opt_Oct[1]); }, ">"},
  };
  startShown();
  for (const bool keyMode : {false, true}) {
    setKeyMode(keyMode);
    for (const bool selection : {false, true}) {
      for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + (selection ? " over a selection" : "") +
                     (keyMode ? " in Key mode" : ""));
        click(f().Chk_Ham);  // chord mode toggles twice per row: the token is cleared each time
        click(f().Chk_Ham);
        click(f().Opt_Scl[0]);
        click(f().Opt_Lng[3]);
        f().TextEdit->setText(QStringLiteral("ab\r\ncd"));
        QTextCursor cursor = f().TextEdit->textCursor();
        cursor.setPosition(selection ? 1 : 2);
        cursor.setPosition(selection ? 4 : 2, QTextCursor::KeepAnchor);  // "b", the break, "c"
        f().TextEdit->setTextCursor(cursor);
        f().Cmd_Tcl->setFocus();
        const QString s = QString::fromUtf8(row.inserted);

        row.act(f());

        const QString expected =
            selection ? u'a' + s + u'd' : QStringLiteral("ab") + s + QStringLiteral("\r\ncd");
        EXPECT_EQ(f().TextEdit->Text(), expected);
        const QString before = selection ? QStringLiteral("a") + s : QStringLiteral("ab") + s;
        EXPECT_EQ(f().TextEdit->textCursor().position(),
                  platform::TextEdit::toDocumentText(before).size());
        EXPECT_FALSE(f().TextEdit->textCursor().hasSelection());
        if (keyMode) {
          EXPECT_NE(focus(), f().TextEdit);
        } else {
          EXPECT_EQ(focus(), f().TextEdit);
        }
      }
    }
  }
}

TEST_F(NoteEntryTest, DoubleClickComposesOnceAndInsertsOnce) {
  startShown();
  QSignalSpy keyClicks(f().Opt_Scl[0], &QAbstractButton::clicked);
  QSignalSpy lengthClicks(f().Opt_Lng[3], &QAbstractButton::clicked);
  doubleClick(f().Opt_Scl[0]);
  doubleClick(f().Opt_Lng[3]);
  EXPECT_EQ(keyClicks.count(), 1);
  EXPECT_EQ(lengthClicks.count(), 1);
  EXPECT_EQ(token(), QStringLiteral("d4"));
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("d4"));

  click(f().Chk_Ham);
  f().TextEdit->setText(QString());
  doubleClick(f().Opt_Scl[0]);
  EXPECT_EQ(token(), QStringLiteral("[d]"));
  EXPECT_EQ(e().ChordCount, 1);
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("d"));
}

TEST_F(NoteEntryTest, EnterInsertsTheSameTokenAgainAndUndoDoesNothing) {
  startShown();
  click(f().Opt_Scl[0]);
  click(f().Opt_Lng[3]);
  click(f().Cmd_Ent);
  click(f().Cmd_Ent);
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("d4d4"));
  EXPECT_EQ(token(), QStringLiteral("d4"));
  click(f().Chk_Ham);
  click(f().Cmd_Ent);  // the empty token: nothing to insert
  for (const int k : {0, 4, 7}) click(f().Opt_Scl[static_cast<std::size_t>(k)]);
  click(f().Cmd_Ent);
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("d4d4[dms]"));

  f().TextEdit->selectAll();
  f().Cmd_Tcl->setFocus();
  f().Cmd_Cod[1]->click();
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("d4d4[dms]"));
  EXPECT_TRUE(f().TextEdit->textCursor().hasSelection());
  EXPECT_EQ(focus(), f().Cmd_Tcl);
}

// Key mode

TEST_F(NoteEntryTest, SwitchingKeyModeBothWays) {
  startShown();
  auto labelsShown = [&] {
    int shown = 0;
    for (QLabel* l : f().Lbl_Kbd) shown += l->isVisible() ? 1 : 0;
    return shown;
  };
  f().TextEdit->SetFocus();
  click(f().Chk_Key);
  EXPECT_EQ(labelsShown(), 12);
  EXPECT_EQ(f().TextEdit->background(), platform::TextEdit::Background::Menu);
  EXPECT_FALSE(f().TextEdit->acceptsFocus());
  EXPECT_NE(focus(), f().TextEdit);
  QTest::mouseClick(f().TextEdit->viewport(), Qt::LeftButton);
  EXPECT_NE(focus(), f().TextEdit);

  click(f().Chk_Key);
  EXPECT_EQ(labelsShown(), 0);
  EXPECT_EQ(f().TextEdit->background(), platform::TextEdit::Background::Window);
  EXPECT_EQ(focus(), f().TextEdit);
  QTest::keyClicks(f().TextEdit, QStringLiteral("ad"));
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("ad"));
}

TEST_F(NoteEntryTest, OutsideKeyModeKeysAreTypedAndOnlyReleasesSilence) {
  startShown();
  f().TextEdit->SetFocus();
  press(Qt::Key_A);
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("a"));
  EXPECT_EQ(f().optionGroup->checkedButton(), nullptr);
  release(Qt::Key_A);
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{-60}));
  EXPECT_EQ(e().HeldKey, -1);
}

TEST_F(NoteEntryTest, KeyModeSoundsChoosesAndFocusesEnterWithoutTyping) {
  startShown();
  setKeyMode(true);
  key(QEvent::KeyPress, Qt::Key_Q, false, 38);  // the A position, as a French layout calls it
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{60}));
  EXPECT_TRUE(f().Opt_Scl[0]->isChecked());
  EXPECT_EQ(token(), QStringLiteral("d"));
  EXPECT_EQ(focus(), f().Cmd_Ent);
  EXPECT_EQ(e().HeldKey, 0);
  key(QEvent::KeyRelease, Qt::Key_Q, false, 38);
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{-60}));

  // Pressed again after Clear, the key already chosen composes again.
  click(f().Cmd_Tcl);
  press(Qt::Key_A);
  release(Qt::Key_A);
  EXPECT_EQ(token(), QStringLiteral("d"));
  midi.takeSent();

  click(f().Opt_Lng[3]);
  f().Cmd_Ent->setFocus();
  QTest::keyClick(f().Cmd_Ent, Qt::Key_Return);
  QTest::keyClick(f().Cmd_Ent, Qt::Key_Enter);
  EXPECT_EQ(f().TextEdit->Text(), QStringLiteral("d4d4"));
  EXPECT_EQ(focus(), f().Cmd_Ent);
}

TEST_F(NoteEntryTest, RepeatsOfAHeldKeyNeitherStrikeNorSilence) {
  startShown();
  setKeyMode(true);
  click(f().Chk_Ham);  // a repeat that composed again would gather the key again
  press(Qt::Key_A);
  for (int i = 0; i < 3; ++i) {
    release(Qt::Key_A, true);
    press(Qt::Key_A, true);
  }
  press(Qt::Key_A);  // a repeated press alone, unmarked
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{60}));
  EXPECT_EQ(focus(), f().Cmd_Ent);
  EXPECT_EQ(token(), QStringLiteral("[d]"));
  release(Qt::Key_A);
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{-60}));
  EXPECT_EQ(f().TextEdit->Text(), QString());
  click(f().Chk_Ham);

  // Overlapping keys: after A's release the repeat of S keeps its note without a second strike,
  // so its one release silences it.
  press(Qt::Key_A);
  press(Qt::Key_S);
  EXPECT_EQ(midi.sounding(), (std::vector<int>{60, 62}));
  EXPECT_EQ(e().HeldKey, 2);
  EXPECT_EQ(token(), QStringLiteral("r"));
  release(Qt::Key_A);
  EXPECT_EQ(e().HeldKey, -1);
  release(Qt::Key_S, true);
  press(Qt::Key_S, true);
  EXPECT_EQ(e().HeldKey, 2);
  release(Qt::Key_S);
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{60, 62, -60, -62}));
}

TEST_F(NoteEntryTest, ShiftReleaseSilencesTheFirstKeyAndOtherKeysDoNothing) {
  startShown();
  setKeyMode(true);
  click(f().Opt_Lng[2]);
  for (const int k : {Qt::Key_Q, Qt::Key_I, Qt::Key_R}) {
    press(k);
    release(k);
  }
  EXPECT_EQ(noteEvents(midi), std::vector<int>{});
  EXPECT_TRUE(f().Opt_Lng[2]->isChecked());
  EXPECT_EQ(token(), QStringLiteral("2"));
  EXPECT_EQ(f().TextEdit->Text(), QString());

  press(Qt::Key_D);
  release(Qt::Key_Shift);
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{64, -60}));
  EXPECT_EQ(e().HeldKey, -1);
}

TEST_F(NoteEntryTest, LosingTheKeyboardSilencesTheHeldKey) {
  startShown();
  setKeyMode(true);

  press(Qt::Key_G);
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{67, -67}));
  EXPECT_EQ(e().HeldKey, -1);
  other.hide();
  showActive();

  f().Cmd_Ent->setFocus();
  press(Qt::Key_H);
  f().Combo3->showPopup();
  EXPECT_EQ(noteEvents(midi), (std::vector<int>{69, -69}));
  EXPECT_EQ(e().HeldKey, -1);
  f().Combo3->hidePopup();
}

TEST_F(NoteEntryTest, KeysInTheMenuBarOrADialogAreLeftAlone) {
  startShown();
  setKeyMode(true);
  f().menuBar()->setFocus(Qt::MenuBarFocusReason);
  ASSERT_EQ(focus(), f().menuBar());
  press(Qt::Key_F);
  release(Qt::Key_F);
  EXPECT_EQ(f().optionGroup->checkedButton(), nullptr);

  QDialog dialog(form.get());
  auto* name = new QLineEdit(&dialog);
  dialog.setModal(true);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  name->setFocus();
  midi.takeSent();
  QTest::keyClicks(name, QStringLiteral("ads"));
  EXPECT_EQ(name->text(), QStringLiteral("ads"));
  EXPECT_EQ(noteEvents(midi), std::vector<int>{});
  EXPECT_EQ(f().optionGroup->checkedButton(), nullptr);
}

}  // namespace
}  // namespace orv::test
