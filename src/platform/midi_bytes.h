#pragma once

// Raw MIDI bytes for an output port: the short message unpacked, and the notes a port was told to
// sound, so that a reset can switch off exactly those.

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace orv::platform {

// Status bytes of channel 1 (the channel is or'ed in) and the sustain pedal's controller.
inline constexpr unsigned char kNoteOff = 0x80;
inline constexpr unsigned char kNoteOn = 0x90;
inline constexpr unsigned char kControlChange = 0xB0;
inline constexpr unsigned char kSustain = 64;

// The bytes of a channel message packed as status | data1 << 8 | data2 << 16: three bytes, or two
// for program change and channel pressure. Empty for anything that is not a channel message.
std::vector<unsigned char> shortMessageBytes(std::uint32_t message);

class SoundingNotes {
 public:
  // Follows one message as it goes out (bytes as given by shortMessageBytes).
  void track(const std::vector<unsigned char>& bytes);
  // What silences the port: a Note Off for every note still on, then sustain off and All Notes
  // Off on each of the 16 channels. Forgets the notes.
  std::vector<std::vector<unsigned char>> takeSilencingMessages();
  void clear();

 private:
  std::array<std::bitset<128>, 16> m_on;
};

}  // namespace orv::platform
