#pragma once

// The program's modules: the parts whose shared libraries the window need not wait for, each
// loaded when first needed and kept until the program ends. The ports module (RtMidi, ALSA and
// JACK) comes when the devices are listed, right after the window shows; the synthesizer module
// (FluidSynth and the sound server's client, some forty libraries) at the synthesizer's first
// open. Installed they stand in <libdir>/orveditor/modules; in the build tree, where tests and
// benchmarks find them too, beside the libraries that make them.

#include <QString>

#include <memory>

namespace orv::platform {

class MidiService;

inline constexpr char kPortsModule[] = "orveditor-ports.so";
inline constexpr char kSynthModule[] = "orveditor-synth.so";

// The address of `symbol` in module `file`; null when the module is missing or refused, with the
// reason in `error` ("… がありません。" for a module not found, else the loader's words).
void* moduleSymbol(const char* file, const char* symbol, QString& error);

// The service that the function `factory` of module `file` makes; null as moduleSymbol says.
std::unique_ptr<MidiService> loadMidiService(const char* file, const char* factory, QString& error);

}  // namespace orv::platform
