#include "support/recording_midi_service.h"

#include <algorithm>

namespace orv::test {

std::optional<QString> RecordingMidiService::open(int device) {
  opened.push_back(device);
  if (!m_failures.empty()) {
    QString error = m_failures.front();
    m_failures.pop_front();
    return error;
  }
  m_open = true;
  return std::nullopt;
}

void RecordingMidiService::send(std::uint32_t message) {
  (m_open ? sent : sentClosed).push_back(message);
}

void RecordingMidiService::reset() {
  if (!m_open) return;
  ++resets;
  m_silentFrom = sent.size();
}

void RecordingMidiService::close() {
  if (m_open) ++closes;
  m_open = false;
}

std::vector<int> RecordingMidiService::sounding() const {
  std::vector<int> notes;
  for (std::size_t i = m_silentFrom; i < sent.size(); ++i) {
    const std::uint32_t m = sent[i];
    const int status = m & 0xF0;
    const int note = (m >> 8) & 0x7F;
    if (status == 0x90 && ((m >> 16) & 0x7F) != 0) {
      notes.push_back(note);
    } else if (status == 0x80 || status == 0x90) {
      const auto it = std::find(notes.begin(), notes.end(), note);
      if (it != notes.end()) notes.erase(it);
    }
  }
  std::sort(notes.begin(), notes.end());
  return notes;
}

std::vector<std::uint32_t> RecordingMidiService::takeSent() {
  std::vector<std::uint32_t> out;
  out.swap(sent);
  m_silentFrom = 0;
  return out;
}

std::vector<int> RecordingMidiService::takeNotes() {
  std::vector<int> events;
  for (const std::uint32_t m : takeSent()) {
    const int note = static_cast<int>((m >> 8) & 0x7F);
    if ((m & 0xF0) == 0x90) events.push_back(note);
    if ((m & 0xF0) == 0x80) events.push_back(-note);
  }
  return events;
}

}  // namespace orv::test
