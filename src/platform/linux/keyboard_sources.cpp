#include "platform/keyboard_source.h"

#include <QString>

#include "platform/linux/modules.h"

namespace orv::platform {

// The ALSA sequencer's and a JACK server's keyboards, from the ports module; none where it could
// not be loaded.
std::vector<std::unique_ptr<KeyboardSource>> systemKeyboardSources(MidiInputQueue& queue) {
  std::vector<std::unique_ptr<KeyboardSource>> sources;
  QString error;
  using Create = void (*)(MidiInputQueue&, std::vector<std::unique_ptr<KeyboardSource>>&);
  if (auto* create =
          reinterpret_cast<Create>(moduleSymbol(kPortsModule, "orvCreateKeyboardSources", error))) {
    create(queue, sources);
  }
  return sources;
}

}  // namespace orv::platform
