#include "platform/midi_bytes.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orv::platform {
namespace {

TEST(MidiBytes, PortResetSwitchesOffTheNotesStillOnThenEveryChannel) {
  EXPECT_EQ(shortMessageBytes(0xFF007FC0), (std::vector<unsigned char>{0xC0, 0x7F}))
      << "program change, top byte";
  SoundingNotes notes;
  const std::uint32_t sent[] = {0x793C90, 0x794091, 0x793C91, 0x104081, 0x794390, 0x004390, 0x7FC0};
  for (const std::uint32_t m : sent) notes.track(shortMessageBytes(m));
  std::vector<std::vector<unsigned char>> expected = {{0x80, 0x3C, 0}, {0x81, 0x3C, 0}};
  for (unsigned char status = 0xB0; status <= 0xBF; ++status) {
    expected.push_back({status, 64, 0});
    expected.push_back({status, 123, 0});
  }
  EXPECT_EQ(notes.takeSilencingMessages(), expected);
  EXPECT_EQ(notes.takeSilencingMessages().size(), 32u) << "the notes were not forgotten";
}

TEST(MidiBytes, APortIsFoundAgainByItsNameWhereverTheListMovedIt) {
  using namespace Qt::StringLiterals;
  const QStringList today = {u"B"_s, u"Twin"_s, u"Twin"_s};
  // The name, the place it was listed at, and its place today.
  const std::tuple<QString, int, int> rows[] = {
      {u"Twin"_s, 2, 2}, {u"Twin"_s, 0, 1}, {u"B"_s, 1, 0}, {u"A"_s, 0, -1}, {u"Twin"_s, 7, 1}};
  for (const auto& [name, listed, now] : rows)
    EXPECT_EQ(findPort(today, name, listed), now) << name.toStdString() << listed;
}

}  // namespace
}  // namespace orv::platform
