#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace orv::platform {

// The built-in General MIDI synthesizer: FluidSynth with a system SoundFont, played through the
// first audio driver that opens. The SoundFont is loaded at the first open and kept until the
// object goes; closing only stops the audio.
class FluidSynthOutput {
 public:
  enum class Audio {
    Driver,   // plays through an audio driver
    Offline,  // no driver: the owner pulls samples with render()
  };

  struct Config {
    QStringList soundFonts;    // tried in order; the first real SoundFont is used
    QStringList audioDrivers;  // FluidSynth driver names, tried in order
    Audio audio = Audio::Driver;
  };
  // The system's usual General MIDI SoundFonts and the desktop's sound servers.
  static Config defaultConfig();

  static constexpr int kSampleRate = 48000;
  static constexpr int kPeriodFrames = 128;
  static constexpr int kPeriods = 2;

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

  // Audio the driver holds ahead of the listener, as the settings ask for it, in milliseconds.
  double bufferLatencyMs() const;
  // Offline only: renders `frames` stereo frames into the two buffers. Does nothing while closed.
  void render(float* left, float* right, int frames);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace orv::platform
