#include "midi/sound_controls.h"

#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::Literals::StringLiterals;
using Notes = std::vector<int>;
using Sent = std::vector<std::uint32_t>;
using enum QTest::MouseAction;

class SoundControls : public FormFixture {
 protected:
  void SetUp() override {
    midi.ports = {u"A"_s, u"Synth Port 128:0 with a name past 31 bytes"_s};
    f = &start();
    showActive();
  }
  shell::Form1* f = nullptr;
};

TEST_F(SoundControls, DevicesAreNumberedAfterTheMapperAndEachSwitchOnOpensTheChosenOne) {
  ASSERT_EQ(f->Combo2->count(), 3);
  EXPECT_EQ(f->Combo2->itemText(0), u"0:MIDI Mapper"_s);
  EXPECT_EQ(f->Combo2->itemText(2), u" 2:Synth Port 128:0 with a name past 31 bytes"_s);
  // The instrument texts are the user's; the odd spellings are theirs too.
  ASSERT_EQ(f->Combo1->count(), 128);
  for (const QString& text : {u"001: Acoustic Grand Piano"_s, u"030: Overdrived Guitar"_s,
                              u"070: English Hom"_s, u"110: Bag pipe"_s, u"128: Gunshot"_s}) {
    EXPECT_EQ(f->Combo1->itemText(text.left(3).toInt() - 1), text);
  }
  platform::setListIndex(*f->Combo2, 2);
  platform::setValue(*f->Chk_Midi, true);
  platform::setListIndex(*f->Combo2, 0);
  platform::setListIndex(*f->Combo1, 127);
  platform::setValue(*f->Chk_Midi, false);
  // A failed open shows its error once and leaves the switch on; the next switch-on tries again.
  const QString error = u"MIDI出力ポート「A」を開けません。\nno such port"_s;
  midi.nextOpenError = error;
  messages.expect();
  for (int click = 0; click < 3; ++click) mouse(MouseClick, f->Chk_Midi);
  EXPECT_EQ(messages.takeTexts(), QStringList{error});
  // Only the chosen program is sent, and only while open; switching off resets before it closes.
  EXPECT_EQ(std::tuple(midi.opened, midi.isOpen(), midi.sent, midi.resets),
            std::tuple(std::vector<int>{1, -1, -1}, true, Sent{0x7FC0}, 1));
}

TEST_F(SoundControls, NotesSoundFromThePressUntilItsRelease) {
  platform::setValue(*f->Chk_Midi, true);
  mouse(MouseClick, f->Opt_Scl[24], Qt::RightButton);
  EXPECT_EQ(std::exchange(midi.sent, {}), (Sent{0x795490, 0x105480})) << "channel 1, from middle C";
  QWidget* tone = f->Cmd_Tone;
  // A release outside the window (null) or on another control still ends what its press struck.
  const std::tuple<QWidget*, QWidget*, Qt::MouseButton, Notes, std::array<QString, 5>> rows[] = {
      {f->Opt_Scl[0], f->Opt_Scl[0], Qt::LeftButton, {60}, {}},
      {f->Opt_Scl[25], f->Opt_Scl[25], Qt::LeftButton, {}, {}},
      {f->Opt_Scl[4], f->Opt_Scl[7], Qt::LeftButton, {64}, {}},
      {f->Opt_Scl[2], nullptr, Qt::RightButton, {62}, {}},
      {tone, tone, Qt::LeftButton, {60, 67, 72, 84}, {u"0"_s, u"25"_s, u"7"_s, u"12"_s, u"24"_s}},
      {tone, tone, Qt::RightButton, {62}, {u"2"_s, {}, u"7"_s}},
  };
  for (const auto& [pressAt, releaseAt, button, held, chord] : rows) {
    SCOPED_TRACE(pressAt->objectName().toStdString() + (button == Qt::LeftButton ? "" : " right"));
    f->entry().ChordKeys = chord;
    mouse(MousePress, pressAt, button);
    EXPECT_EQ(midi.takeNotes(), held);
    f->entry().ChordKeys = {};
    mouse(MouseRelease, releaseAt, button);
    Notes off = held;
    for (int& note : off) note = -note;
    EXPECT_EQ(midi.takeNotes(), off);
  }
}

class DeviceListing : public FormFixture {};

// The ports are listed once the window runs its events. MIDI switched on before that opens the
// mapper the list shows, and a key pressed on the list before that already finds every port.
TEST_F(DeviceListing, ComesBeforeAnyInputAndLeavesAnEarlierSwitchOnOpen) {
  midi.ports = {u"A"_s, u"B"_s};
  shell::Form1& f = start();
  platform::setValue(*f.Chk_Midi, true);
  QTest::keyClick(f.Combo2, Qt::Key_End);
  showActive();
  EXPECT_EQ(std::tuple(f.Combo2->count(), f.Combo2->currentText(), f.sound().MidiDeviceId),
            std::tuple(3, u" 2:B"_s, 1));
  platform::setValue(*f.Chk_Midi, false);
  platform::setValue(*f.Chk_Midi, true);
  EXPECT_EQ(std::tuple(midi.opened, midi.isOpen(), midi.closes),
            std::tuple(std::vector{-1, 1}, true, 1));
}

}  // namespace
}  // namespace orv::test
