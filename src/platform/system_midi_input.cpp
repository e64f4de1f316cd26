#include "platform/system_midi_input.h"

#include "platform/keyboard_source.h"
#include "platform/midi_input_queue.h"

#include <utility>

namespace orv::platform {

struct SystemMidiInput::Impl {
  MidiInputQueue queue;
  // Made at the first open: finding the system's keyboards needs its MIDI libraries, which the
  // window need not wait for.
  std::vector<std::unique_ptr<KeyboardSource>> sources;
  bool made = false;
};

SystemMidiInput::SystemMidiInput() : m_impl(std::make_unique<Impl>()) {}

SystemMidiInput::~SystemMidiInput() {
  close();
}

void SystemMidiInput::open(Receiver receiver) {
  close();
  if (!std::exchange(m_impl->made, true)) m_impl->sources = systemKeyboardSources(m_impl->queue);
  m_impl->queue.start(std::move(receiver));
  for (const auto& source : m_impl->sources) source->open();
}

// The sources stop before the queue: nothing arrives after it is emptied.
void SystemMidiInput::close() {
  for (const auto& source : m_impl->sources) source->close();
  m_impl->queue.stop();
}

bool SystemMidiInput::isOpen() const {
  return m_impl->queue.running();
}

std::uint64_t SystemMidiInput::droppedEvents() const {
  return m_impl->queue.dropped();
}

}  // namespace orv::platform
