#include "midi/module1.h"

#include "platform/message_box.h"
#include "platform/midi_service.h"

namespace orv::midi {

std::uint32_t noteOnMessage(int note) {
  return 0x790090u + 256u * static_cast<std::uint32_t>(note);
}
std::uint32_t noteOffMessage(int note) {
  return 0x100080u + 256u * static_cast<std::uint32_t>(note);
}
std::uint32_t programChangeMessage(int program) {
  return 0xC0u + 256u * static_cast<std::uint32_t>(program);
}

Module1::Module1(platform::MidiService& service, platform::MessageBox& messages)
    : m_service(service), m_messages(messages) {}

void Module1::OpenMidiOut(int device) {
  if (const auto error = m_service.open(device)) m_messages.show(*error);
}
void Module1::CloseMidiOut() {
  m_service.close();
}
void Module1::ResetMidiOut() {
  m_service.reset();
}
void Module1::NoteOn(int key) {
  SendShortMessage(noteOnMessage(key + BaseNote));
}
void Module1::NoteOff(int key) {
  SendShortMessage(noteOffMessage(key + BaseNote));
}
void Module1::NoteOn(const QString& key) {
  NoteOn(key.toInt());
}
void Module1::NoteOff(const QString& key) {
  NoteOff(key.toInt());
}
// A port that vanished while open is the one send result the user hears about: otherwise the keys
// would go silent without a word.
void Module1::SendShortMessage(std::uint32_t message) {
  m_service.send(message);
  if (const auto error = m_service.takeLostOutputError()) m_messages.show(*error);
}

}  // namespace orv::midi
