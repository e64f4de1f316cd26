#include "platform/system_midi_service.h"

#include "platform/fluid_synth_output.h"
#include "platform/rtmidi_ports.h"

namespace orv::platform {

// The ports come first: listing them also quiets the sound libraries the synthesizer's ALSA and
// JACK drivers share.
SystemMidiService::SystemMidiService()
    : m_ports(std::make_unique<RtMidiPorts>()), m_synth(std::make_unique<FluidSynthOutput>()) {}

SystemMidiService::~SystemMidiService() = default;

QStringList SystemMidiService::outputPorts() {
  return m_ports->names();
}

std::optional<QString> SystemMidiService::open(int device) {
  close();
  if (device == kBuiltInSynth) return m_synth->open();
  return m_ports->open(device);
}

void SystemMidiService::send(std::uint32_t message) {
  m_synth->send(message);
  m_ports->send(message);
}

void SystemMidiService::reset() {
  m_synth->reset();
  m_ports->reset();
}

void SystemMidiService::close() {
  m_synth->close();
  m_ports->close();
}

bool SystemMidiService::isOpen() const {
  return m_synth->isOpen() || m_ports->isOpen();
}

std::optional<QString> SystemMidiService::takeLostOutputError() {
  if (auto lost = m_synth->takeLostOutputError()) return lost;
  return m_ports->takeLostOutputError();
}

double SystemMidiService::synthBufferLatencyMs() const {
  return m_synth->bufferLatencyMs();
}

}  // namespace orv::platform
