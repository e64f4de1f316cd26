#pragma once

#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/midi_service.h"

namespace orv::test {

// A MIDI output that records what reaches it. Opens succeed unless an error is set for the next.
class RecordingMidiService final : public platform::MidiService {
 public:
  QStringList ports;
  std::optional<QString> nextOpenError;  // the next open fails with it, once
  std::vector<int> opened;               // device numbers of every open asked for
  std::vector<std::uint32_t> sent;  // messages sent while open; those sent while closed are lost
  int resets = 0;
  int closes = 0;

  QStringList outputPorts() override { return ports; }
  std::optional<QString> open(int device) override {
    opened.push_back(device);
    m_open = !nextOpenError;
    return std::exchange(nextOpenError, std::nullopt);
  }
  void send(std::uint32_t message) override {
    if (m_open) sent.push_back(message);
  }
  void reset() override { resets += m_open ? 1 : 0; }
  void close() override { closes += std::exchange(m_open, false) ? 1 : 0; }
  bool isOpen() const override { return m_open; }

  // The notes sent since the last call: +n for a note on of note n, -n for its note off.
  std::vector<int> takeNotes() {
    std::vector<int> events;
    for (const std::uint32_t m : std::exchange(sent, {})) {
      const int note = static_cast<int>((m >> 8) & 0x7F);
      if ((m & 0xF0) == 0x90) events.push_back(note);
      if ((m & 0xF0) == 0x80) events.push_back(-note);
    }
    return events;
  }

 private:
  bool m_open = false;
};

}  // namespace orv::test
