#include "platform/system_midi_input.h"

#include "platform/keyboard_source.h"
#include "platform/midi_input_queue.h"

namespace orv::platform {

struct SystemMidiInput::Impl {
  MidiInputQueue queue;
  std::vector<std::unique_ptr<KeyboardSource>> sources = systemKeyboardSources(queue);
};

SystemMidiInput::SystemMidiInput() : m_impl(std::make_unique<Impl>()) {}

SystemMidiInput::~SystemMidiInput() {
  close();
}

void SystemMidiInput::open(Receiver receiver) {
  close();
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
