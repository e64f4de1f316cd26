// The module the program loads at the built-in synthesizer's first open (see modules.h): the
// synthesizer behind the MIDI service's interface, so that the program needs none of its symbols.
#include "platform/linux/fluid_synth_output.h"
#include "platform/midi_service.h"

namespace {

using orv::platform::FluidSynthOutput;

class SynthService final : public orv::platform::MidiService {
 public:
  QStringList outputPorts() override { return {}; }
  std::optional<QString> open(int) override { return m_synth.open(); }
  void send(std::uint32_t message) override { m_synth.send(message); }
  void reset() override { m_synth.reset(); }
  void close() override { m_synth.close(); }
  bool isOpen() const override { return m_synth.isOpen(); }
  std::optional<QString> takeLostOutputError() override { return m_synth.takeLostOutputError(); }

 private:
  FluidSynthOutput m_synth;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) orv::platform::MidiService*
orvCreateBuiltInSynth() {
  return new SynthService;
}
