#pragma once

// MIDI preview: the output routines of `Module1` (open, close, reset, note on and off and the
// short-message encoding) over the platform's MIDI service.

#include <QString>

#include <cstdint>

namespace orv::platform {
class MessageBox;
class MidiService;
}  // namespace orv::platform

namespace orv::midi {

// Short messages on channel 1, packed as status | data1 << 8 | data2 << 16.
std::uint32_t noteOnMessage(int note);
std::uint32_t noteOffMessage(int note);
std::uint32_t programChangeMessage(int program);

class Module1 {
 public:
  Module1(platform::MidiService& service, platform::MessageBox& messages);

  void OpenMidiOut(int device);
  void CloseMidiOut();
  void ResetMidiOut();
  void NoteOn(int key);
  void NoteOff(int key);
  // A key held as the decimal text of its index (a gathered chord key).
  void NoteOn(const QString& key);
  void NoteOff(const QString& key);
  void SendShortMessage(std::uint32_t message);

  std::int32_t BaseNote = 60;

 private:
  platform::MidiService& m_service;
  platform::MessageBox& m_messages;
};

}  // namespace orv::midi
