#pragma once

#include <memory>

#include "platform/midi_service.h"

namespace orv::platform {

// The system's MIDI output, its devices listed once here. Linux: device -1 is the built-in
// synthesizer, 0..N-1 the ALSA sequencer's and a running JACK server's ports. Windows: device -1
// is the MIDI Mapper, 0..N-1 winmm's output devices.
class SystemMidiService final : public MidiService {
 public:
  SystemMidiService();
  ~SystemMidiService() override;

  QStringList outputPorts() override;
  std::optional<QString> open(int device) override;
  void send(std::uint32_t message) override;
  void reset() override;
  void close() override;
  bool isOpen() const override;
  std::optional<QString> takeLostOutputError() override;

 private:
  struct Impl;  // the system's own output objects
  std::unique_ptr<Impl> m_impl;
};

}  // namespace orv::platform
