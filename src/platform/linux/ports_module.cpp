// The module the program loads when it first lists its devices (see modules.h): the ALSA
// sequencer's and a JACK server's output ports behind the MIDI service's interface, and their
// keyboards, so that the program needs none of RtMidi's, ALSA's or JACK's symbols.
#include "platform/keyboard_source.h"
#include "platform/linux/keyboard_ports.h"
#include "platform/linux/rtmidi_ports.h"
#include "platform/midi_service.h"

namespace {

using orv::platform::RtMidiPorts;

class PortsService final : public orv::platform::MidiService {
 public:
  QStringList outputPorts() override { return m_ports.names(); }
  std::optional<QString> open(int device) override { return m_ports.open(device); }
  void send(std::uint32_t message) override { m_ports.send(message); }
  void reset() override { m_ports.reset(); }
  void close() override { m_ports.close(); }
  bool isOpen() const override { return m_ports.isOpen(); }
  std::optional<QString> takeLostOutputError() override { return m_ports.takeLostOutputError(); }

 private:
  RtMidiPorts m_ports;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) orv::platform::MidiService*
orvCreateSystemPorts() {
  return new PortsService;
}

extern "C" __attribute__((visibility("default"))) void orvCreateKeyboardSources(
    orv::platform::MidiInputQueue& queue,
    std::vector<std::unique_ptr<orv::platform::KeyboardSource>>& sources) {
  sources.push_back(orv::platform::alsaKeyboards(queue));
  sources.push_back(orv::platform::jackKeyboards(queue));
}
