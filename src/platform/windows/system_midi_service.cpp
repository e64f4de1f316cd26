#include "platform/system_midi_service.h"

#include <windows.h>

#include <mmsystem.h>

namespace orv::platform {

// winmm's output devices; device -1 is the MIDI Mapper, which plays through the system's
// General MIDI synthesizer unless the user chose another device for it.
struct SystemMidiService::Impl {
  HMIDIOUT handle = nullptr;
};

SystemMidiService::SystemMidiService() : m_impl(std::make_unique<Impl>()) {}

SystemMidiService::~SystemMidiService() {
  close();
}

QStringList SystemMidiService::outputPorts() {
  QStringList names;
  const UINT count = midiOutGetNumDevs();
  for (UINT device = 0; device < count; ++device) {
    MIDIOUTCAPSW caps{};
    // A device whose name cannot be read is still listed, without a name.
    names << (midiOutGetDevCapsW(device, &caps, sizeof caps) == MMSYSERR_NOERROR
                  ? QString::fromWCharArray(caps.szPname)
                  : QString());
  }
  return names;
}

std::optional<QString> SystemMidiService::open(int device) {
  close();
  const UINT id = device == kBuiltInSynth ? MIDI_MAPPER : static_cast<UINT>(device);
  HMIDIOUT handle = nullptr;
  const MMRESULT result = midiOutOpen(&handle, id, 0, 0, CALLBACK_NULL);
  if (result == MMSYSERR_NOERROR) {
    m_impl->handle = handle;
    return std::nullopt;
  }
  // The system's own description of the failure.
  wchar_t text[MAXERRORLENGTH] = {};
  midiOutGetErrorTextW(result, text, MAXERRORLENGTH);
  return QString::fromWCharArray(text);
}

void SystemMidiService::send(std::uint32_t message) {
  if (m_impl->handle != nullptr) midiOutShortMsg(m_impl->handle, message);
}

void SystemMidiService::reset() {
  if (m_impl->handle != nullptr) midiOutReset(m_impl->handle);
}

void SystemMidiService::close() {
  if (m_impl->handle == nullptr) return;
  midiOutClose(m_impl->handle);
  m_impl->handle = nullptr;
}

bool SystemMidiService::isOpen() const {
  return m_impl->handle != nullptr;
}

std::optional<QString> SystemMidiService::takeLostOutputError() {
  return std::nullopt;
}

}  // namespace orv::platform
