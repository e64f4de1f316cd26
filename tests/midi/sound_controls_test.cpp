#include "midi/sound_controls.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "entry/note_entry.h"
#include "platform/control_value.h"
#include "platform/text_edit.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using Notes = std::vector<int>;
using Sent = std::vector<std::uint32_t>;

QStringList entries(const QComboBox& list) {
  QStringList out;
  for (int i = 0; i < list.count(); ++i) out.append(list.itemText(i));
  return out;
}

// Mouse input as the window system delivers it: to the window, which routes it to the control
// under the pointer, or to the control pressed on for as long as any button is held.
QPoint windowPoint(QWidget* control, QPoint offset = {}) {
  return control->mapTo(control->window(), control->rect().center() + offset);
}
QWindow* windowOf(QWidget* control) {
  return control->window()->windowHandle();
}
void press(QWidget* control, Qt::MouseButton button) {
  QTest::mousePress(windowOf(control), button, {}, windowPoint(control));
}
void release(QWidget* control, Qt::MouseButton button, QPoint offset = {}) {
  QTest::mouseRelease(windowOf(control), button, {}, windowPoint(control, offset));
}
void click(QWidget* control, Qt::MouseButton button) {
  QTest::mouseClick(windowOf(control), button, {}, windowPoint(control));
}
void doubleClick(QWidget* control, Qt::MouseButton button) {
  QTest::mouseDClick(windowOf(control), button, {}, windowPoint(control));
}
void move(QWidget* control) {
  QTest::mouseMove(windowOf(control), windowPoint(control));
}

class SoundControlsTest : public FormFixture {
 protected:
  shell::Form1& startShown() {
    shell::Form1& f = start();
    showActive();
    return f;
  }
  // A shown window with MIDI switched on, nothing sent yet.
  shell::Form1& startWithMidiOn() {
    shell::Form1& f = startShown();
    platform::setValue(*f.Chk_Midi, true);
    midi.takeSent();
    return f;
  }
  void setChord(const std::array<QString, 5>& keys) { form->entry().ChordKeys = keys; }
};

TEST_F(SoundControlsTest, InstrumentListHoldsTheGeneralMidiNamesAndStartsOnProgramZero) {
  shell::Form1& f = start();
  const QStringList list = entries(*f.Combo1);
  ASSERT_EQ(list.size(), 128);
  const std::pair<int, const char*> rows[] = {
      {0, "001: Acoustic Grand Piano"}, {2, "003: Electric Piano"}, {14, "015: Tubular-Bells"},
      {29, "030: Overdrived Guitar"},   {69, "070: English Hom"},   {87, "088: Lead 8 (Bass&Lead)"},
      {109, "110: Bag pipe"},           {127, "128: Gunshot"},
  };
  for (const auto& [index, text] : rows) EXPECT_EQ(list[index], QLatin1String(text));
  for (int k = 0; k < 128; ++k) {
    EXPECT_TRUE(list[k].startsWith(QStringLiteral("%1: ").arg(k + 1, 3, 10, QChar(u'0')))) << k;
  }
  EXPECT_EQ(f.Combo1->currentIndex(), 0);
  // Program 0 went out at start-up, to an output still closed.
  EXPECT_EQ(midi.sentClosed, (Sent{0xC0}));
  EXPECT_TRUE(midi.sent.empty());
}

TEST_F(SoundControlsTest, DeviceListNumbersThePortsAfterTheMapper) {
  const struct {
    QStringList ports;
    QStringList entries;
  } rows[] = {
      {{}, {QStringLiteral("0:MIDI Mapper")}},
      {{QStringLiteral("A"), QStringLiteral("Synth Port 128:0 with a name past 31 bytes")},
       {QStringLiteral("0:MIDI Mapper"), QStringLiteral(" 1:A"),
        QStringLiteral(" 2:Synth Port 128:0 with a name past 31 bytes")}},
  };
  for (const auto& row : rows) {
    midi.ports = row.ports;
    shell::Form1& f = start();
    EXPECT_EQ(entries(*f.Combo2), row.entries);
    EXPECT_EQ(f.Combo2->currentIndex(), 0);
    EXPECT_EQ(f.sound().MidiDeviceId, -1);
    form.reset();
  }
}

TEST_F(SoundControlsTest, ChosenDeviceIsUsedFromTheNextOpening) {
  midi.ports = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
  shell::Form1& f = start();
  platform::setListIndex(*f.Combo2, 2);
  EXPECT_EQ(f.sound().MidiDeviceId, 1);
  platform::setValue(*f.Chk_Midi, true);
  platform::setListIndex(*f.Combo2, 3);
  EXPECT_EQ(f.sound().MidiDeviceId, 2);
  platform::setListIndex(*f.Combo2, 0);
  EXPECT_EQ(f.sound().MidiDeviceId, -1);
  EXPECT_EQ(midi.opened, (std::vector<int>{1})) << "choosing a device reopened the output";
  platform::setValue(*f.Chk_Midi, false);
  platform::setValue(*f.Chk_Midi, true);
  EXPECT_EQ(midi.opened, (std::vector<int>{1, -1}));
}

TEST_F(SoundControlsTest, SwitchingOffResetsThenCloses) {
  shell::Form1& f = startWithMidiOn();
  press(f.Opt_Scl[0], Qt::LeftButton);
  platform::setValue(*f.Chk_Midi, false);
  EXPECT_EQ(midi.resets, 1);
  EXPECT_EQ(midi.closes, 1);
  EXPECT_TRUE(midi.sounding().empty());
  EXPECT_FALSE(midi.isOpen());
  release(f.Opt_Scl[0], Qt::LeftButton);
}

TEST_F(SoundControlsTest, FailedOpenShowsOneBoxAndTheNextSwitchOnRetries) {
  shell::Form1& f = startShown();
  midi.failNextOpen(QStringLiteral("MIDI出力ポート「A」を開けません。\nno such port"));
  messages.expect();
  click(f.Chk_Midi, Qt::LeftButton);
  const auto shown = messages.take();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, QStringLiteral("MIDI出力ポート「A」を開けません。\nno such port"));
  EXPECT_EQ(platform::value(*f.Chk_Midi), 1) << "the switch stays on after a failed open";
  EXPECT_FALSE(midi.isOpen());

  click(f.Chk_Midi, Qt::LeftButton);
  click(f.Chk_Midi, Qt::LeftButton);
  EXPECT_TRUE(messages.take().empty());
  EXPECT_EQ(midi.opened, (std::vector<int>{-1, -1}));
  EXPECT_TRUE(midi.isOpen());
}

TEST_F(SoundControlsTest, ChoosingAnInstrumentSendsItsProgramOnlyWhileOpen) {
  shell::Form1& f = start();
  platform::setListIndex(*f.Combo1, 5);
  EXPECT_TRUE(midi.sent.empty());
  platform::setValue(*f.Chk_Midi, true);
  EXPECT_TRUE(midi.sent.empty()) << "opening sends no program change";
  platform::setListIndex(*f.Combo1, 127);
  platform::setListIndex(*f.Combo1, 0);
  EXPECT_EQ(midi.sent, (Sent{0x7FC0, 0xC0}));
}

TEST_F(SoundControlsTest, KeySoundsWhileHeldByAnyButton) {
  shell::Form1& f = startWithMidiOn();
  const struct {
    int key;
    Qt::MouseButton button;
    std::uint32_t on, off;
  } rows[] = {
      {0, Qt::LeftButton, 0x793C90, 0x103C80},
      {24, Qt::LeftButton, 0x795490, 0x105480},
      {4, Qt::RightButton, 0x794090, 0x104080},
      {12, Qt::MiddleButton, 0x794890, 0x104880},
  };
  for (const auto& row : rows) {
    press(f.Opt_Scl[row.key], row.button);
    EXPECT_EQ(midi.sounding(), (Notes{60 + row.key})) << row.key;
    release(f.Opt_Scl[row.key], row.button);
    EXPECT_EQ(midi.takeSent(), (Sent{row.on, row.off})) << row.key;
  }
}

TEST_F(SoundControlsTest, RestKeyMakesNoSound) {
  shell::Form1& f = startWithMidiOn();
  press(f.Opt_Scl[25], Qt::LeftButton);
  release(f.Opt_Scl[25], Qt::LeftButton);
  click(f.Opt_Scl[25], Qt::RightButton);
  EXPECT_TRUE(midi.sent.empty());
}

TEST_F(SoundControlsTest, ReleaseSilencesTheKeyPressedWhereverThePointerIs) {
  shell::Form1& f = startWithMidiOn();
  press(f.Opt_Scl[4], Qt::LeftButton);
  move(f.Opt_Scl[7]);
  release(f.Opt_Scl[7], Qt::LeftButton);
  EXPECT_EQ(midi.takeSent(), (Sent{0x794090, 0x104080}));

  press(f.Opt_Scl[2], Qt::RightButton);
  release(f.Opt_Scl[2], Qt::RightButton, -windowPoint(f.Opt_Scl[2]) - QPoint(40, 40));
  EXPECT_TRUE(midi.sounding().empty());
}

TEST_F(SoundControlsTest, NoEventOrderLeavesANoteSounding) {
  shell::Form1& f = startWithMidiOn();
  doubleClick(f.Opt_Scl[0], Qt::LeftButton);
  EXPECT_TRUE(midi.sounding().empty()) << "left double click";
  doubleClick(f.Opt_Scl[3], Qt::RightButton);
  EXPECT_TRUE(midi.sounding().empty()) << "right double click";

  // A second button pressed while the first holds the key: both releases are needed.
  press(f.Opt_Scl[5], Qt::LeftButton);
  press(f.Opt_Scl[5], Qt::RightButton);
  release(f.Opt_Scl[5], Qt::RightButton);
  release(f.Opt_Scl[5], Qt::LeftButton);
  EXPECT_TRUE(midi.sounding().empty()) << "two buttons on one key";

  doubleClick(f.Cmd_Tone, Qt::LeftButton);
  EXPECT_TRUE(midi.sounding().empty()) << "double click on the token button";
}

TEST_F(SoundControlsTest, HeldNotesFallSilentWhenTheWindowLosesTheInput) {
  shell::Form1& f = startShown();
  platform::setValue(*f.Chk_Midi, true);
  setChord({QStringLiteral("0"), QStringLiteral("4"), {}, {}, {}});
  press(f.Opt_Scl[9], Qt::LeftButton);
  press(f.Cmd_Tone, Qt::RightButton);
  ASSERT_FALSE(midi.sounding().empty());

  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_TRUE(midi.sounding().empty());

  // The releases arrive late, or never; either way nothing more is switched on.
  midi.takeSent();
  release(f.Opt_Scl[9], Qt::LeftButton);
  release(f.Cmd_Tone, Qt::RightButton);
  EXPECT_TRUE(midi.sounding().empty());
  for (const std::uint32_t m : midi.sent) EXPECT_NE(m & 0xF0, 0x90u) << std::hex << m;
}

TEST_F(SoundControlsTest, TokenButtonSoundsTheGatheredChordWhileHeld) {
  const struct {
    const char* what;
    std::array<QString, 5> keys;
    Notes notes;
  } rows[] = {
      {"three keys",
       {QStringLiteral("0"), QStringLiteral("4"), QStringLiteral("7"), {}, {}},
       {60, 64, 67}},
      {"a rest among them",
       {QStringLiteral("0"), QStringLiteral("25"), QStringLiteral("7"), {}, {}},
       {60, 67}},
      {"five slots",
       {QStringLiteral("0"), QStringLiteral("4"), QStringLiteral("7"), QStringLiteral("12"),
        QStringLiteral("24")},
       {60, 64, 67, 72, 84}},
      {"the walk stops at the first empty slot",
       {QStringLiteral("2"), {}, QStringLiteral("7"), {}, {}},
       {62}},
      {"nothing gathered", {}, {}},
  };
  shell::Form1& f = startWithMidiOn();
  for (const auto& row : rows) {
    setChord(row.keys);
    press(f.Cmd_Tone, Qt::LeftButton);
    EXPECT_EQ(midi.sounding(), row.notes) << row.what;
    release(f.Cmd_Tone, Qt::LeftButton);
    EXPECT_TRUE(midi.sounding().empty()) << row.what;
    EXPECT_EQ(midi.takeSent().size(), 2 * row.notes.size()) << row.what;
  }
  EXPECT_TRUE(f.TextEdit->isEmpty()) << "the token button inserted something";
}

TEST_F(SoundControlsTest, ChordStruckIsTheChordReleasedEvenIfTheKeysChangeMeanwhile) {
  shell::Form1& f = startWithMidiOn();
  setChord({QStringLiteral("0"), QStringLiteral("4"), {}, {}, {}});
  press(f.Cmd_Tone, Qt::LeftButton);
  setChord({});
  release(f.Cmd_Tone, Qt::LeftButton);
  EXPECT_TRUE(midi.sounding().empty());
}

}  // namespace
}  // namespace orv::test
