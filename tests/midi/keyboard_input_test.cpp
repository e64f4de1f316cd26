#include <QMessageBox>
#include <QTimer>

#include <thread>

#include "midi/keyboard_input.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::Literals::StringLiterals;
using Sent = std::vector<std::uint32_t>;
using enum QTest::MouseAction;

constexpr unsigned char kPedal = 64;

class KeyboardInputTest : public FormFixture {
 protected:
  void SetUp() override {
    f = &start();
    showActive();
    mouse(MouseClick, f->Chk_Midi);
  }
  // Plays and lets the window take what was played.
  void play(std::vector<unsigned char> bytes, int keyboard = 0) {
    keyboards.play(std::move(bytes), keyboard);
    QCoreApplication::processEvents();
  }
  void strike(int note, int velocity = 90) {
    play({0x90, static_cast<unsigned char>(note), static_cast<unsigned char>(velocity)});
    play({0x80, static_cast<unsigned char>(note), 64});
  }
  QString token() const { return f->Cmd_Tone->text(); }

  shell::Form1* f = nullptr;
};

TEST_F(KeyboardInputTest, NotesChooseKeysLikeClicksSoundAsPlayedAndThePedalInserts) {
  // E, length 4, the pedal; G two octaves up on channel 5, released by a note on of velocity 0;
  // C E G together in chord mode and the pedal.
  play({0x90, 64, 90});
  EXPECT_EQ(std::tuple(token(), f->Opt_Scl[4]->isChecked(), QApplication::focusWidget()),
            std::tuple(u"m"_s, true, static_cast<QWidget*>(f->TextEdit)));
  play({0x80, 64, 70});
  mouse(MouseClick, f->Opt_Lng[3]);
  play({0xB0, kPedal, 127});
  play({0xB0, kPedal, 100});  // still down: no second Enter
  play({0xB0, kPedal, 0});
  play({0x94, 79, 100});
  play({0x94, 79, 0});
  play({0xB0, kPedal, 64});
  play({0xB0, kPedal, 10});
  mouse(MouseClick, f->Chk_Ham);
  for (const int note : {60, 64, 67}) play({0x90, static_cast<unsigned char>(note), 80});
  play({0xB1, kPedal, 127});
  EXPECT_EQ(std::tuple(f->TextEdit->Text(), token()), std::tuple(u"m4s4[dms]"_s, u"[dms]"_s));
  EXPECT_EQ(midi.sent,
            (Sent{0x5A4090, 0x464080, 0x644F90, 0x004F80, 0x503C90, 0x504090, 0x504390}));
  // Other kinds of message are not passed on; a key struck twice without a release sounds once.
  midi.sent.clear();
  const std::vector<unsigned char> others[] = {
      {0xE0, 0, 64}, {0xB0, 1, 64}, {0xC0, 5}, {0xF0, 0x7E, 0xF7}, {0xF8}, {0xFE}, {0x90, 60, 99}};
  for (const auto& other : others) play(other);
  EXPECT_EQ(std::tuple(midi.sent, token()), std::tuple(Sent{}, u"[dms]"_s));

  // Switching MIDI off ends the notes held; a keyboard plugged out ends its own.
  play({0x90, 50, 1}, 1);
  play({0x90, 52, 1}, 2);
  keyboards.unplug(1);
  QCoreApplication::processEvents();
  EXPECT_EQ(midi.takeNotes(), (std::vector<int>{50, 52, -50}));
  mouse(MouseClick, f->Chk_Midi);
  EXPECT_EQ(midi.takeNotes(), (std::vector<int>{-52, -60, -64, -67}));
  play({0x90, 62, 90});
  EXPECT_EQ(std::tuple(keyboards.isOpen(), keyboards.closes, token()),
            std::tuple(false, 1, u"[dmsrm]"_s));
}

TEST_F(KeyboardInputTest, KeyboardsOpenWithoutAnOutputAndASixthNoteShowsOneBox) {
  mouse(MouseClick, f->Chk_Midi);
  midi.nextOpenError = u"開けません"_s;
  messages.expect();
  mouse(MouseClick, f->Chk_Midi);
  EXPECT_EQ(std::tuple(keyboards.opens, keyboards.isOpen()), std::tuple(2, true));
  messages.take();
  mouse(MouseClick, f->Chk_Ham);
  for (const int note : {60, 62, 64, 65, 67}) strike(note);
  // Notes played while the box is open are let go unchosen.
  messages.expect();
  messages.whileShown = [&] {
    strike(72);
    play({0xB0, kPedal, 127});
  };
  strike(69);
  EXPECT_EQ(std::tuple(messages.takeTexts(), token(), f->TextEdit->Text()),
            std::tuple(QStringList{u"和音は５つ迄です。"_s}, u"[drmfs]"_s, QString()));
  // Nor while any other box or dialog waits for the user.
  QMessageBox box(f);
  box.open();
  play({0xB0, kPedal, 127});
  box.close();
  play({0xB0, kPedal, 0});
  EXPECT_EQ(f->TextEdit->Text(), QString());
  play({0xB0, kPedal, 127});
  EXPECT_EQ(f->TextEdit->Text(), u"[drmfs]"_s);
}

TEST_F(KeyboardInputTest, AFloodIsBoundedCountedAndLetsTheWindowRunBetween) {
  // Far more than the queue holds, from another thread, before the window takes any.
  std::thread sequencer([&] {
    for (int i = 0; i < 10000; ++i) {
      const auto note = static_cast<unsigned char>(i % 128);
      keyboards.play({0x90, note, 100}, 1);
      keyboards.play({0x80, note, 0}, 1);
    }
    keyboards.play({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}, 1);
  });
  sequencer.join();
  // Note ons leave the reserve free; what does not fit is counted.
  using Queue = platform::MidiInputQueue;
  const std::uint64_t dropped = keyboards.droppedEvents();
  EXPECT_EQ(dropped, 10000 - (Queue::kCapacity - Queue::kReserve) / 2);
  // The window's own events come between the batches of notes.
  std::size_t soundedWhenTheTimerRan = 0;
  QTimer::singleShot(0, f, [&] { soundedWhenTheTimerRan = midi.sent.size(); });
  EXPECT_TRUE(QTest::qWaitFor([&] { return midi.sent.size() == 2 * (10000 - dropped); }));
  EXPECT_GT(soundedWhenTheTimerRan, 0u);
  EXPECT_LT(soundedWhenTheTimerRan, midi.sent.size());
  EXPECT_EQ(keyboards.droppedEvents(), dropped);
  // Closing the window ends what is still held.
  play({0x90, 48, 1});
  form->close();
  EXPECT_EQ(midi.takeNotes().back(), -48);
}

}  // namespace
}  // namespace orv::test
