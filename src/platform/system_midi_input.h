#pragma once

#include <memory>

#include "platform/midi_input.h"

namespace orv::platform {

// The system's MIDI keyboards. Linux: the ALSA sequencer's readable ports and a running JACK
// server's physical capture ports. Windows: winmm's input devices.
class SystemMidiInput final : public MidiInput {
 public:
  SystemMidiInput();
  ~SystemMidiInput() override;

  void open(Receiver receiver) override;
  void close() override;
  bool isOpen() const override;
  std::uint64_t droppedEvents() const override;

 private:
  struct Impl;  // the system's own input objects
  std::unique_ptr<Impl> m_impl;
};

}  // namespace orv::platform
