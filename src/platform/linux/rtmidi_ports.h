#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace orv::platform {

// The system's MIDI output ports, listed once, when they are first asked for: the ALSA sequencer's,
// then the MIDI input ports of a running JACK server ("client:port"). Where there is neither the
// list is empty; no JACK server is ever started. Nothing is ever printed on the terminal.
class RtMidiPorts {
 public:
  RtMidiPorts();
  ~RtMidiPorts();
  RtMidiPorts(const RtMidiPorts&) = delete;
  RtMidiPorts& operator=(const RtMidiPorts&) = delete;

  const QStringList& names() const;
  // Opens the port listed at `index`, found again by its name in case the ports changed since.
  std::optional<QString> open(int index);
  void send(std::uint32_t message);
  // A Note Off for every note sent on and not off, then sustain off and All Notes Off everywhere.
  void reset();
  void close();
  bool isOpen() const;
  // Set when a send or reset found the open JACK port or its server gone and closed the output.
  std::optional<QString> takeLostOutputError();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace orv::platform
