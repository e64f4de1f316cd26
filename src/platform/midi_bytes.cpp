#include "platform/midi_bytes.h"

namespace orv::platform {

namespace {

constexpr unsigned char kAllNotesOff = 123;

}  // namespace

std::vector<unsigned char> shortMessageBytes(std::uint32_t message) {
  const auto status = static_cast<unsigned char>(message & 0xFF);
  const auto data1 = static_cast<unsigned char>((message >> 8) & 0x7F);
  const auto data2 = static_cast<unsigned char>((message >> 16) & 0x7F);
  if (status < 0x80 || status >= 0xF0) return {};
  const unsigned char kind = status & 0xF0;
  if (kind == 0xC0 || kind == 0xD0) return {status, data1};
  return {status, data1, data2};
}

void SoundingNotes::track(const std::vector<unsigned char>& bytes) {
  if (bytes.size() != 3) return;
  const unsigned char kind = bytes[0] & 0xF0;
  const int channel = bytes[0] & 0x0F;
  if (kind == kNoteOn && bytes[2] != 0) {
    m_on[channel].set(bytes[1]);
  } else if (kind == kNoteOff || kind == kNoteOn) {
    m_on[channel].reset(bytes[1]);
  }
}

std::vector<std::vector<unsigned char>> SoundingNotes::takeSilencingMessages() {
  std::vector<std::vector<unsigned char>> out;
  for (int channel = 0; channel < 16; ++channel) {
    for (int note = 0; note < 128; ++note) {
      if (m_on[channel].test(note)) {
        out.push_back(
            {static_cast<unsigned char>(kNoteOff | channel), static_cast<unsigned char>(note), 0});
      }
    }
  }
  for (int channel = 0; channel < 16; ++channel) {
    const auto status = static_cast<unsigned char>(kControlChange | channel);
    out.push_back({status, kSustain, 0});
    out.push_back({status, kAllNotesOff, 0});
  }
  clear();
  return out;
}

void SoundingNotes::clear() {
  for (auto& channel : m_on) channel.reset();
}

int findPort(const QStringList& today, const QString& wanted, int listed) {
  if (listed >= 0 && listed < today.size() && today[listed] == wanted) return listed;
  return static_cast<int>(today.indexOf(wanted));
}

}  // namespace orv::platform
