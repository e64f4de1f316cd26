#include "platform/midi_bytes.h"

#include <gtest/gtest.h>

namespace orv::platform {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(ShortMessageBytes, UnpacksChannelMessagesAndDropsTheRest) {
  const struct {
    std::uint32_t message;
    Bytes bytes;
  } rows[] = {
      {0x793C90, {0x90, 0x3C, 0x79}},
      {0x103C80, {0x80, 0x3C, 0x10}},
      {0x7FC0, {0xC0, 0x7F}},
      {0x40D3, {0xD3, 0x40}},
      {0x007BB0, {0xB0, 0x7B, 0x00}},
      {0xFF793C90, {0x90, 0x3C, 0x79}},  // the top byte is not part of the message
      {0x3C, {}},                        // no status byte
      {0xF8, {}},
      {0x7F7FF0, {}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(shortMessageBytes(row.message), row.bytes) << std::hex << row.message;
  }
}

TEST(SoundingNotes, SilencesExactlyTheNotesStillOnThenEveryChannel) {
  SoundingNotes notes;
  for (const std::uint32_t m :
       {0x793C90u, 0x794091u, 0x793C91u, 0x104081u, 0x794390u, 0x004390u, 0x7FC0u}) {
    notes.track(shortMessageBytes(m));
  }
  const auto out = notes.takeSilencingMessages();
  ASSERT_EQ(out.size(), 2u + 32u);
  EXPECT_EQ(out[0], (Bytes{0x80, 0x3C, 0}));
  EXPECT_EQ(out[1], (Bytes{0x81, 0x3C, 0}));
  for (int channel = 0; channel < 16; ++channel) {
    const auto status = static_cast<unsigned char>(0xB0 + channel);
    EXPECT_EQ(out[2 + 2 * channel], (Bytes{status, 64, 0})) << channel;
    EXPECT_EQ(out[3 + 2 * channel], (Bytes{status, 123, 0})) << channel;
  }
  EXPECT_EQ(notes.takeSilencingMessages().size(), 32u) << "the notes were not forgotten";
}

}  // namespace
}  // namespace orv::platform
