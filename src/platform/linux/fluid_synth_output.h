#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace orv::platform {

// The built-in General MIDI synthesizer: FluidSynth with a system SoundFont. The SoundFont is
// loaded at the first open and kept until the object goes; closing only stops the audio.
//
// On the sound server and offline, silence costs nothing: once no voice has sounded for kIdleMs,
// the output idles (the stream is corked, render() answers false) and the synthesizer renders
// nothing until the next message wakes it. Idling starts only after every release tail has played
// out. A FluidSynth driver, the fallback without a server, renders all the time.
//
// When the sound server ends while the output is open, the next message connects to the server
// that took its place; if none comes back within a few seconds, the output closes itself and
// takeLostOutputError() tells why.
class FluidSynthOutput {
 public:
  enum class Audio {
    Server,   // a stream of our own on the sound server (PulseAudio, or PipeWire's PulseAudio
              // service) that idles with the synthesizer; without a server, as Driver
    Driver,   // the first FluidSynth audio driver that opens; renders all the time
    Offline,  // no audio: the owner pulls samples with render()
  };

  struct Config {
    QStringList soundFonts;    // tried in order; the first real SoundFont is used
    QStringList audioDrivers;  // FluidSynth driver names, tried in order
    Audio audio = Audio::Server;
    // Server only, for measurements: called on the stream's thread with each block of
    // interleaved stereo frames as it leaves the synthesizer.
    std::function<void(const float* frames, int count)> onBlock;
  };
  // The system's usual General MIDI SoundFonts and the desktop's sound servers.
  static Config defaultConfig();

  static constexpr int kSampleRate = 48000;
  static constexpr int kPeriodFrames = 128;
  static constexpr int kPeriods = 2;
  static constexpr int kIdleMs = 1000;

  explicit FluidSynthOutput(Config config = defaultConfig());
  ~FluidSynthOutput();
  FluidSynthOutput(const FluidSynthOutput&) = delete;
  FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

  // The error text is Japanese: the cause, then the library's own words on a second line.
  std::optional<QString> open();
  void send(std::uint32_t message);
  void reset();
  void close();
  bool isOpen() const;
  // Once after the output closed itself because the sound server went away: the same words as a
  // failed open.
  std::optional<QString> takeLostOutputError();

  // Audio the driver holds ahead of the listener, as the settings ask for it, in milliseconds.
  double bufferLatencyMs() const;
  // Offline only: renders `frames` stereo frames into the two buffers and answers true, or, while
  // the output idles, gives silence and answers false. Does nothing while closed.
  bool render(float* left, float* right, int frames);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace orv::platform
