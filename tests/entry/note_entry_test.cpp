#include "platform/window_system.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::StringLiterals;

// The event order of a real double click: press, release, double click, release.
void doubleClick(QWidget* w) {
  QTest::mouseClick(w, Qt::LeftButton);
  QTest::mouseDClick(w, Qt::LeftButton);
  QTest::mouseRelease(w, Qt::LeftButton);
}

class NoteEntryTest : public FormFixture {
 protected:
  void SetUp() override {
    start();
    showActive();
    form->module1().OpenMidiOut(-1);
  }

  QString token() const { return form->Cmd_Tone->text(); }
  static QWidget* focus() { return QApplication::focusWidget(); }
  QColor base() const { return form->TextEdit->palette().color(QPalette::Base); }
  static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

  // Keys in turn, as the window system delivers them to the focused widget: "+A" presses A, "-A"
  // releases it, "~" before either marks an auto-repeat. Scan code 0 marks a synthetic event.
  void play(QStringView script, quint32 scanCode = 0) {
    for (const QStringView step : script.split(u' ')) {
      const bool repeat = step.startsWith(u'~');
      const auto type = step.at(repeat ? 1 : 0) == u'+' ? QEvent::KeyPress : QEvent::KeyRelease;
      const QStringView name = step.sliced(repeat ? 2 : 1);
      const int qtKey = name == u"Shift" ? Qt::Key_Shift : Qt::Key_A + (name[0].unicode() - u'A');
      QKeyEvent event(type, qtKey, Qt::NoModifier, scanCode, 0, 0, QString(), repeat);
      QApplication::sendEvent(focus() ? focus() : form.get(), &event);
    }
  }
};

TEST_F(NoteEntryTest, ClicksComposeTheTokenAChordOfFiveAtMostAndTheFocusFollowsKeyMode) {
  // The sixth key of a chord is refused; after chord mode a key composes alone again.
  const std::pair<QAbstractButton*, const char*> steps[] = {
      {form->Opt_Scl[2], "r"},       {form->Opt_Lng[3], "r4"},      {form->Opt_Sln[2], "r4^"},
      {form->Opt_Scl[25], "_4^"},    {form->Opt_Sln[6], "_4"},      {form->Cmd_Tcl, ""},
      {form->Opt_Scl[7], "s"},       {form->Chk_Ham, ""},           {form->Opt_Scl[0], "[d]"},
      {form->Opt_Lng[2], "[d]"},     {form->Opt_Scl[25], "[d_]"},   {form->Cmd_Tcl, ""},
      {form->Opt_Lng[2], "[]"},      {form->Opt_Scl[7], "[s]"},     {form->Opt_Scl[4], "[sm]"},
      {form->Opt_Scl[7], "[sms]"},   {form->Opt_Scl[25], "[sms_]"}, {form->Opt_Scl[12], "[sms_d]"},
      {form->Opt_Scl[9], "[sms_d]"}, {form->Chk_Ham, ""},           {form->Opt_Scl[2], "r"}};
  for (const bool keyMode : {false, true}) {
    if (keyMode) click(form->Chk_Key);
    messages.expect();
    for (const auto& [button, shown] : steps) {
      SCOPED_TRACE(button->objectName().toStdString() + (keyMode ? " in Key mode" : ""));
      form->Cmd_Tcl->setFocus();
      click(button);
      EXPECT_EQ(token(), QLatin1String(shown));
      const bool keepsFocus = keyMode || button == form->Cmd_Tcl || button == form->Chk_Ham;
      EXPECT_EQ(focus(), keepsFocus ? static_cast<QWidget*>(button) : form->TextEdit);
    }
  }
  ASSERT_EQ(messages.shown().size(), 2u);
  const auto& shown = messages.shown()[1];
  EXPECT_EQ(std::tie(shown.text, shown.code, shown.title),
            std::tuple(u"和音は５つ迄です。"_s, 0, u"OrvEditor"_s));
  EXPECT_EQ(std::tie(form->entry().ChordKeys, form->entry().ChordCount),
            std::tuple(std::array<QString, 5>{}, 0))
      << "leaving chord mode empties the chord";
}

TEST_F(NoteEntryTest, EachInsertionReplacesTheSelectionAndADoubleClickIsOneClickAndOneInsertion) {
  form->Combo3->setFocus();
  QTest::keyClick(form->Combo3, Qt::Key_Down);  // flat solfège names: key 1 is "r-"
  const std::tuple<QAbstractButton*, bool, QString, QString> rows[] = {
      {form->Opt_Scl[1], true, u"r-"_s, u"r-"_s},  {form->Opt_Lng[3], true, u"4"_s, u"r-4"_s},
      {form->Cmd_Ent, false, u"r-4"_s, u"r-4"_s},  {form->Cmd_Cod[0], false, u"\r\n"_s, u"r-4"_s},
      {form->Cmd_Ltr[0], false, u"┃"_s, u"r-4"_s}, {form->Opt_Sln[5], true, u"/"_s, u"r-4/"_s},
      {form->Opt_Oct[1], true, u">"_s, u"r-4/"_s}};
  for (const auto& [button, doubled, inserted, shown] : rows) {
    SCOPED_TRACE(button->objectName().toStdString());
    form->TextEdit->setText(u"ab\r\ncd"_s);
    form->TextEdit->find(u"b"_s);
    form->Cmd_Tcl->setFocus();
    doubled ? doubleClick(button) : click(button);
    EXPECT_EQ(std::tuple(token(), focus()), std::tuple(shown, form->TextEdit));
    form->TextEdit->setSelText(u"|"_s);  // shows where the caret was left, and any selection
    EXPECT_EQ(form->TextEdit->Text(), u"a"_s + inserted + u"|\r\ncd"_s);
  }
  click(form->Chk_Ham);
  doubleClick(form->Opt_Scl[0]);  // a second click would gather the key twice
  form->TextEdit->selectAll();
  form->Cmd_Cod[1]->click();  // the hidden Undo button does nothing
  EXPECT_EQ(std::tuple(token(), form->TextEdit->Text()), std::tuple(u"[d]"_s, u"a>|d\r\ncd"_s));
}

TEST_F(NoteEntryTest, KeyModePlaysTheOnScreenKeyboardUntilSwitchedOff) {
  click(form->Chk_Key);
  EXPECT_EQ(std::ranges::count_if(form->Lbl_Kbd, &QWidget::isVisible), 12);
  EXPECT_EQ(base(), QApplication::palette("QMenu").color(QPalette::Window));
  QTest::mouseClick(form->TextEdit->viewport(), Qt::LeftButton);
  EXPECT_NE(focus(), form->TextEdit);
  play(u"+Q -Q");
  // Q in the A position, as a French layout has it: keyboard key 0.
  play(u"+Q", platform::nativeScanCodeOf(0x1E));
  EXPECT_EQ(std::tuple(token(), focus()), std::tuple(u"d"_s, form->Cmd_Ent));
  play(u"-Q", platform::nativeScanCodeOf(0x1E));
  click(form->Cmd_Tcl);  // the key already chosen composes again
  play(u"+A -A");
  for (const auto k : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(form->Cmd_Ent, k);
  EXPECT_EQ(std::tuple(form->TextEdit->Text(), focus()), std::tuple(u"dd"_s, form->Cmd_Ent));
  play(u"+D -Shift");  // a released Shift silences keyboard key 0
  EXPECT_EQ(midi.takeNotes(), (std::vector<int>{60, -60, 60, -60, 64, -60}));

  click(form->Chk_Key);
  EXPECT_EQ(std::ranges::count_if(form->Lbl_Kbd, &QWidget::isVisible), 0);
  EXPECT_EQ(base(), QApplication::palette().color(QPalette::Base));
  EXPECT_EQ(focus(), form->TextEdit);
  QTest::keyClicks(form->TextEdit, u"as"_s);
  EXPECT_EQ(form->TextEdit->Text(), u"ddas"_s);
}

TEST_F(NoteEntryTest, AHeldKeySoundsOnceAndEndsSilenced) {
  click(form->Chk_Key);
  click(form->Chk_Ham);  // a repeat that composed again would gather its key again
  // Held on Wayland: the toolkit's plugin repeats the key itself, each time as a release and a
  // press both marked as repeats, with the key's own code.
  play(u"+A ~-A ~+A ~-A ~+A -A", platform::nativeScanCodeOf(0x1E));
  play(u"+A ~-A ~+A +A -A");  // X11's marked pair, then a repeated press alone, unmarked
  // Overlapping keys: after A's release the repeat of S keeps its note without a second strike,
  // so its one release silences it.
  play(u"+A +S -A ~-S ~+S -S");
  EXPECT_EQ(std::tuple(midi.takeNotes(), token()),
            std::tuple(std::vector<int>{60, -60, 60, -60, 60, 62, -60, -62}, u"[dddr]"_s));

  click(form->Chk_Ham);
  // Two PC keys, an on-screen key and a chord held when the window loses the input: all fall
  // silent.
  play(u"+G +F");
  form->entry().ChordKeys = {u"0"_s};
  for (QWidget* w : {form->Opt_Scl[4], form->Cmd_Tone}) QTest::mousePress(w, Qt::LeftButton);
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_EQ(midi.takeNotes(), (std::vector<int>{67, 65, 64, 60, -65, -67, -64, -60}));
  showActive();
  // G's release went to the other window; pressed again, it strikes again.
  play(u"+G -G +H");
  form->Combo3->showPopup();
  EXPECT_EQ(midi.takeNotes(), (std::vector<int>{67, -67, 69, -69}));
}

}  // namespace
}  // namespace orv::test
