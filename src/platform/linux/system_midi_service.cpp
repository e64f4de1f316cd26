#include "platform/system_midi_service.h"

#include "platform/linux/built_in_synth.h"
#include "platform/linux/rtmidi_ports.h"

namespace orv::platform {

// The ports come first: listing them also quiets the sound libraries the synthesizer's ALSA and
// JACK drivers share.
struct SystemMidiService::Impl {
  RtMidiPorts ports;
  BuiltInSynth synth;
};

SystemMidiService::SystemMidiService() : m_impl(std::make_unique<Impl>()) {}

SystemMidiService::~SystemMidiService() = default;

QStringList SystemMidiService::outputPorts() {
  return m_impl->ports.names();
}

std::optional<QString> SystemMidiService::open(int device) {
  close();
  if (device == kBuiltInSynth) return m_impl->synth.open();
  return m_impl->ports.open(device);
}

void SystemMidiService::send(std::uint32_t message) {
  m_impl->synth.send(message);
  m_impl->ports.send(message);
}

void SystemMidiService::reset() {
  m_impl->synth.reset();
  m_impl->ports.reset();
}

void SystemMidiService::close() {
  m_impl->synth.close();
  m_impl->ports.close();
}

bool SystemMidiService::isOpen() const {
  return m_impl->synth.isOpen() || m_impl->ports.isOpen();
}

std::optional<QString> SystemMidiService::takeLostOutputError() {
  if (auto lost = m_impl->synth.takeLostOutputError()) return lost;
  return m_impl->ports.takeLostOutputError();
}

}  // namespace orv::platform
