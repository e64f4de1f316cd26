#include "platform/system_midi_input.h"

#include "platform/linux/alsa_keyboards.h"
#include "platform/linux/jack_keyboards.h"
#include "platform/midi_input_queue.h"

namespace orv::platform {

struct SystemMidiInput::Impl {
  MidiInputQueue queue;
  AlsaKeyboards alsa{queue};
  JackKeyboards jack{queue};
};

SystemMidiInput::SystemMidiInput() : m_impl(std::make_unique<Impl>()) {}

SystemMidiInput::~SystemMidiInput() {
  close();
}

void SystemMidiInput::open(Receiver receiver) {
  close();
  m_impl->queue.start(std::move(receiver));
  m_impl->alsa.open();
  m_impl->jack.open();
}

// The senders stop before the queue: nothing arrives after it is emptied.
void SystemMidiInput::close() {
  m_impl->jack.close();
  m_impl->alsa.close();
  m_impl->queue.stop();
}

bool SystemMidiInput::isOpen() const {
  return m_impl->queue.running();
}

std::uint64_t SystemMidiInput::droppedEvents() const {
  return m_impl->queue.dropped();
}

}  // namespace orv::platform
