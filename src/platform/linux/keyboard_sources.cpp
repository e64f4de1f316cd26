#include "platform/keyboard_source.h"

#include "platform/linux/keyboard_ports.h"

namespace orv::platform {

std::vector<std::unique_ptr<KeyboardSource>> systemKeyboardSources(MidiInputQueue& queue) {
  std::vector<std::unique_ptr<KeyboardSource>> sources;
  sources.push_back(alsaKeyboards(queue));
  sources.push_back(jackKeyboards(queue));
  return sources;
}

}  // namespace orv::platform
