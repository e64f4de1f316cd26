#pragma once

#include <memory>

namespace orv::platform {

class MidiInputQueue;

// The ALSA sequencer's keyboards: every port other programs may read from is subscribed to the
// input port "OrvEditor-input:keyboards", also one that appears later (the sequencer announces
// it). Where there is no sequencer nothing happens.
class AlsaKeyboards {
 public:
  explicit AlsaKeyboards(MidiInputQueue& queue);
  ~AlsaKeyboards();
  AlsaKeyboards(const AlsaKeyboards&) = delete;
  AlsaKeyboards& operator=(const AlsaKeyboards&) = delete;

  // On the window's thread.
  void open();
  void close();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace orv::platform
