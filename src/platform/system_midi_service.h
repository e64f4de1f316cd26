#pragma once

#include <memory>

#include "platform/midi_service.h"

namespace orv::platform {

class FluidSynthOutput;
class RtMidiPorts;

// Device -1 is the built-in synthesizer; 0..N-1 the system's MIDI output ports, listed once here.
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

  // The audio buffering of the built-in synthesizer, in milliseconds.
  double synthBufferLatencyMs() const;

 private:
  std::unique_ptr<RtMidiPorts> m_ports;
  std::unique_ptr<FluidSynthOutput> m_synth;
};

}  // namespace orv::platform
