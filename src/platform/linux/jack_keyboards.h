#pragma once

#include <memory>

namespace orv::platform {

class MidiInputQueue;

// A running JACK server's keyboards: every physical MIDI capture port, also one that appears
// later, is connected to the input port "OrvEditor-input:keyboards", to which a user may connect
// anything else by hand. Where no server runs nothing happens; none is ever started.
class JackKeyboards {
 public:
  explicit JackKeyboards(MidiInputQueue& queue);
  ~JackKeyboards();
  JackKeyboards(const JackKeyboards&) = delete;
  JackKeyboards& operator=(const JackKeyboards&) = delete;

  // On the window's thread.
  void open();
  void close();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace orv::platform
