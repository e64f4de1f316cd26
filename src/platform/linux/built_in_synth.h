#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace orv::platform {

class MidiService;

// The built-in synthesizer as the MIDI service reaches it. FluidSynth and the sound server's
// client library bring some forty shared libraries of their own; loading them with the program
// doubled the libraries it maps before its window shows. They live in a module of their own
// (orveditor-synth.so in <libdir>/orveditor/modules), loaded at the first open and kept until the
// program ends.
class BuiltInSynth {
 public:
  BuiltInSynth();
  ~BuiltInSynth();
  BuiltInSynth(const BuiltInSynth&) = delete;
  BuiltInSynth& operator=(const BuiltInSynth&) = delete;

  // The error text is Japanese, as FluidSynthOutput gives it, or says the module is missing.
  std::optional<QString> open();
  void send(std::uint32_t message);
  void reset();
  void close();
  bool isOpen() const;
  std::optional<QString> takeLostOutputError();

 private:
  std::unique_ptr<MidiService> m_synth;  // null until the first open
};

}  // namespace orv::platform
