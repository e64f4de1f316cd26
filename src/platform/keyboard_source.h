#pragma once

#include <memory>
#include <vector>

namespace orv::platform {

class MidiInputQueue;

// One of the system's ways to reach MIDI keyboards. Open, it finds its keyboards itself, also
// those that come later, skips any it cannot open and sends what they play into its queue.
class KeyboardSource {
 public:
  virtual ~KeyboardSource() = default;
  // On the window's thread; close returns once nothing more is sent.
  virtual void open() = 0;
  virtual void close() = 0;
};

// The sources of the system the program is built for, all sending into `queue`.
std::vector<std::unique_ptr<KeyboardSource>> systemKeyboardSources(MidiInputQueue& queue);

}  // namespace orv::platform
