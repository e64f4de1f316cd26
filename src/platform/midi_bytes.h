#pragma once

// Raw MIDI bytes for an output port: the short message unpacked, and the notes a port was told to
// sound, so that a reset can switch off exactly those; and finding a listed port again by name.

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

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

// Where the port listed as `wanted` at place `listed` is in today's list of port names: systems
// number their ports by their place in a list that changes as devices come and go. The same
// place when the name is still there, else the first port of that name; -1 when it is gone.
int findPort(const QStringList& today, const QString& wanted, int listed);

}  // namespace orv::platform
