#include "midi/sound_controls.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "entry/note_entry.h"
#include "midi/module1.h"
#include "platform/control_value.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::Literals::StringLiterals;
using Notes = std::vector<int>;
using Sent = std::vector<std::uint32_t>;
using enum QTest::MouseAction;

class SoundControls : public FormFixture {
 protected:
  shell::Form1& startShown(bool midiOn) {
    shell::Form1& f = start();
    showActive();
    platform::setValue(*f.Chk_Midi, midiOn);
    midi.takeSent();
    return f;
  }
  // Mouse input as the window system delivers it: to the window, which routes it to the control
  // under the pointer, or to the control pressed on while a button is held. Null is outside.
  void mouse(QTest::MouseAction action, QWidget* at, Qt::MouseButton button) {
    const QPoint point = at ? at->mapTo(form.get(), at->rect().center()) : QPoint(-40, -40);
    QTest::mouseEvent(action, form->windowHandle(), button, {}, point);
  }
};

TEST_F(SoundControls, DevicesAreNumberedAfterTheMapperAndUsedFromTheNextOpening) {
  midi.ports = {u"A"_s, u"Synth Port 128:0 with a name past 31 bytes"_s};
  shell::Form1& f = start();
  ASSERT_EQ(f.Combo2->count(), 3);
  EXPECT_EQ(f.Combo2->itemText(0), u"0:MIDI Mapper"_s);
  EXPECT_EQ(f.Combo2->itemText(2), u" 2:Synth Port 128:0 with a name past 31 bytes"_s);
  EXPECT_EQ(midi.sentClosed, (Sent{0xC0})) << "program 0 at start-up, to the closed output";
  // The instrument texts are the user's; the odd spellings are theirs too.
  const std::pair<int, QString> instruments[] = {{0, u"001: Acoustic Grand Piano"_s},
                                                 {29, u"030: Overdrived Guitar"_s},
                                                 {69, u"070: English Hom"_s},
                                                 {109, u"110: Bag pipe"_s},
                                                 {127, u"128: Gunshot"_s}};
  ASSERT_EQ(f.Combo1->count(), 128);
  for (const auto& [k, text] : instruments) EXPECT_EQ(f.Combo1->itemText(k), text);
  platform::setListIndex(*f.Combo2, 2);
  platform::setValue(*f.Chk_Midi, true);
  platform::setListIndex(*f.Combo2, 0);
  platform::setListIndex(*f.Combo1, 127);
  platform::setValue(*f.Chk_Midi, false);
  platform::setValue(*f.Chk_Midi, true);
  EXPECT_EQ(midi.opened, (std::vector<int>{1, -1}));
  EXPECT_EQ(midi.sent, (Sent{0x7FC0})) << "only the chosen program, and only while open";
  EXPECT_EQ(midi.resets, 1) << "switching off resets the output before closing it";
}

TEST_F(SoundControls, FailedOpenShowsOneBoxAndTheNextSwitchOnRetries) {
  shell::Form1& f = startShown(false);
  midi.failNextOpen(u"MIDI出力ポート「A」を開けません。\nno such port"_s);
  messages.expect();
  for (int click = 0; click < 3; ++click) mouse(MouseClick, f.Chk_Midi, Qt::LeftButton);
  ASSERT_EQ(messages.shown().size(), 1u);
  EXPECT_EQ(messages.shown()[0].text, u"MIDI出力ポート「A」を開けません。\nno such port"_s);
  EXPECT_EQ(midi.opened, (std::vector<int>{-1, -1}));
  EXPECT_TRUE(midi.isOpen()) << "the switch stayed on after the failed open";
}

TEST_F(SoundControls, NotesSoundFromThePressUntilItsReleaseOrTheWindowLosingTheInput) {
  shell::Form1& f = startShown(true);
  QWidget* tone = f.Cmd_Tone;
  // A release outside the window (null) or on another control still ends what its press struck.
  const struct {
    QWidget *pressAt, *releaseAt;
    Qt::MouseButton button;
    Notes held;
    std::array<QString, 5> chord = {};
  } rows[] = {
      {f.Opt_Scl[0], f.Opt_Scl[0], Qt::LeftButton, {60}},
      {f.Opt_Scl[24], f.Opt_Scl[24], Qt::RightButton, {84}},
      {f.Opt_Scl[25], f.Opt_Scl[25], Qt::LeftButton, {}},
      {f.Opt_Scl[4], f.Opt_Scl[7], Qt::LeftButton, {64}},
      {f.Opt_Scl[2], nullptr, Qt::RightButton, {62}},
      {tone, tone, Qt::LeftButton, {60, 67, 72, 84}, {u"0"_s, u"25"_s, u"7"_s, u"12"_s, u"24"_s}},
      {tone, tone, Qt::RightButton, {62}, {u"2"_s, {}, u"7"_s}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    f.entry().ChordKeys = row.chord;
    mouse(MousePress, row.pressAt, row.button);
    EXPECT_EQ(midi.sounding(), row.held);
    f.entry().ChordKeys = {};
    mouse(MouseRelease, row.releaseAt, row.button);
    EXPECT_EQ(midi.sounding(), Notes{});
  }
  // The first messages, of keys 0 and 24, and a key given as its text: channel 1, from middle C.
  midi.sent.resize(4);
  f.module1().NoteOn(u"12"_s);
  f.module1().NoteOff(u"12"_s);
  EXPECT_EQ(midi.sent, (Sent{0x793C90, 0x103C80, 0x795490, 0x105480, 0x794890, 0x104880}));

  f.entry().ChordKeys = {u"0"_s, u"4"_s};
  mouse(MousePress, f.Opt_Scl[9], Qt::LeftButton);
  mouse(MousePress, tone, Qt::RightButton);
  ASSERT_FALSE(midi.sounding().empty());
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_EQ(midi.sounding(), Notes{}) << "the window lost the input";
}

}  // namespace
}  // namespace orv::test
