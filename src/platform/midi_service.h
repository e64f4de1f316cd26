#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace orv::platform {

// The system's MIDI output. Device -1 is the built-in synthesizer; 0..N-1 are the output ports
// named by outputPorts(), in the order they were listed.
class MidiService {
 public:
  static constexpr int kBuiltInSynth = -1;

  virtual ~MidiService() = default;

  virtual QStringList outputPorts() = 0;
  // Opens a device for output, closing any device open before. Returns the error text (Japanese,
  // the cause on the first line and the library's own words on the second) when it fails.
  virtual std::optional<QString> open(int device) = 0;
  // A short message packed as status | data1 << 8 | data2 << 16. Does nothing while closed.
  virtual void send(std::uint32_t message) = 0;
  // Silences every note still sounding. Does nothing while closed.
  virtual void reset() = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // An open output whose port or server went away closes by itself at the next send or reset;
  // this gives that error text once, then nothing until it happens again.
  virtual std::optional<QString> takeLostOutputError() { return std::nullopt; }
};

}  // namespace orv::platform
