#include "platform/system_midi_service.h"

#include <windows.h>

#include <mmsystem.h>

#include <utility>

#include "platform/midi_bytes.h"

namespace orv::platform {

namespace {

// winmm's output devices as they are numbered now.
QStringList deviceNames() {
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

QString notFoundText(const QString& name) {
  return QStringLiteral("MIDI出力装置「%1」が見つかりません。接続を確かめてください。").arg(name);
}

// A send refused for any reason but a busy device means the device has gone (unplugged, its
// driver stopped): the handle is of no more use.
bool deviceGone(MMRESULT result) {
  return result != MMSYSERR_NOERROR && result != MIDIERR_NOTREADY;
}

}  // namespace

// winmm's output devices; device -1 is the MIDI Mapper, which plays through the system's
// General MIDI synthesizer unless the user chose another device for it. winmm numbers devices by
// their place in a list that changes when a USB device is plugged in or out, so each device is
// found again by the name it was listed under before it is opened.
struct SystemMidiService::Impl {
  QStringList listed;  // the names as the device list shows them
  HMIDIOUT handle = nullptr;
  QString openName;
  std::optional<QString> lost;

  // False, with the output closed and the loss kept for the caller, when `result` says the
  // device went away.
  bool stillThere(MMRESULT result) {
    if (!deviceGone(result)) return true;
    lost = notFoundText(openName);
    midiOutClose(handle);
    handle = nullptr;
    return false;
  }
};

SystemMidiService::SystemMidiService() : m_impl(std::make_unique<Impl>()) {}

SystemMidiService::~SystemMidiService() {
  close();
}

QStringList SystemMidiService::outputPorts() {
  m_impl->listed = deviceNames();
  return m_impl->listed;
}

std::optional<QString> SystemMidiService::open(int device) {
  close();
  Impl& d = *m_impl;
  UINT id = MIDI_MAPPER;
  QString name = QStringLiteral("MIDI Mapper");
  if (device != kBuiltInSynth) {
    if (device < 0 || device >= d.listed.size()) {
      return QStringLiteral("MIDI出力装置 %1 はありません。").arg(device + 1);
    }
    name = d.listed[device];
    const int now = findPort(deviceNames(), name, device);
    if (now < 0) return notFoundText(name);
    id = static_cast<UINT>(now);
  }
  HMIDIOUT handle = nullptr;
  const MMRESULT result = midiOutOpen(&handle, id, 0, 0, CALLBACK_NULL);
  if (result == MMSYSERR_NOERROR) {
    d.handle = handle;
    d.openName = name;
    return std::nullopt;
  }
  // The cause in our words, then the system's own description of it.
  wchar_t text[MAXERRORLENGTH] = {};
  midiOutGetErrorTextW(result, text, MAXERRORLENGTH);
  QString words = QString::fromWCharArray(text).trimmed();
  if (words.isEmpty()) words = QStringLiteral("winmm のエラー %1").arg(result);
  return QStringLiteral("MIDI出力装置「%1」を開けません。\n%2").arg(name, words);
}

void SystemMidiService::send(std::uint32_t message) {
  Impl& d = *m_impl;
  if (d.handle != nullptr) d.stillThere(midiOutShortMsg(d.handle, message));
}

void SystemMidiService::reset() {
  Impl& d = *m_impl;
  if (d.handle != nullptr) d.stillThere(midiOutReset(d.handle));
}

void SystemMidiService::close() {
  Impl& d = *m_impl;
  d.lost.reset();
  if (d.handle == nullptr) return;
  midiOutClose(d.handle);
  d.handle = nullptr;
}

bool SystemMidiService::isOpen() const {
  return m_impl->handle != nullptr;
}

std::optional<QString> SystemMidiService::takeLostOutputError() {
  return std::exchange(m_impl->lost, std::nullopt);
}

}  // namespace orv::platform
