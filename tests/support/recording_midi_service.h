#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/midi_service.h"

namespace orv::test {

// A MIDI output that records what reaches it. Opens succeed unless a failure is queued.
class RecordingMidiService final : public platform::MidiService {
 public:
  QStringList ports;
  std::vector<int> opened;                // device numbers of every open asked for
  std::vector<std::uint32_t> sent;        // messages sent while open
  std::vector<std::uint32_t> sentClosed;  // messages sent while closed (dropped)
  int resets = 0;
  int closes = 0;

  void failNextOpen(const QString& error) { m_failures.push_back(error); }

  QStringList outputPorts() override { return ports; }
  std::optional<QString> open(int device) override;
  void send(std::uint32_t message) override;
  void reset() override;
  void close() override;
  bool isOpen() const override { return m_open; }

  // Notes switched on and not yet off (nor reset), as MIDI note numbers.
  std::vector<int> sounding() const;
  std::vector<std::uint32_t> takeSent();
  // What takeSent() returns, as notes: +n for a note on of note n, -n for its note off.
  std::vector<int> takeNotes();

 private:
  bool m_open = false;
  std::size_t m_silentFrom = 0;  // a reset silenced everything sent before this index
  std::deque<QString> m_failures;
};

}  // namespace orv::test
