#include "midi/keyboard_input.h"

#include <utility>

#include "midi/module1.h"
#include "platform/control_value.h"
#include "platform/midi_input.h"

namespace orv::midi {

KeyboardInput::KeyboardInput(const QAbstractButton& Chk_Midi, platform::MidiInput& input,
                             Module1& module1, Entry entry)
    : m_chkMidi(Chk_Midi), m_input(input), m_module1(module1), m_entry(std::move(entry)) {}

KeyboardInput::~KeyboardInput() {
  m_input.close();
}

// Inputs open whatever became of the output: a keyboard still composes without sound.
void KeyboardInput::Chk_Midi_Click() {
  if (platform::value(m_chkMidi) == 1) {
    if (!m_input.isOpen()) m_input.open([this](const platform::PlayedEvent& e) { played(e); });
  } else {
    Close();
  }
}

void KeyboardInput::Close() {
  m_input.close();
  for (int note = 0; note < static_cast<int>(m_sounding.size()); ++note) {
    if (m_sounding.test(static_cast<std::size_t>(note))) {
      m_sounding.reset(static_cast<std::size_t>(note));
      m_module1.SendShortMessage(noteOffMessage(note));
    }
  }
}

void KeyboardInput::played(const platform::PlayedEvent& event) {
  using Kind = platform::PlayedEvent::Kind;
  const auto note = static_cast<std::size_t>(event.note);
  const std::uint32_t data = std::uint32_t{event.note} << 8 | std::uint32_t{event.velocity} << 16;
  if (event.kind == Kind::NoteOff) {
    if (!m_sounding.test(note)) return;
    m_sounding.reset(note);
    m_module1.SendShortMessage(0x80 | data);
    return;
  }
  if (event.kind == Kind::NoteOn) {
    // A key struck again without a release is a merged or echoed copy: it neither sounds nor
    // chooses twice.
    if (m_sounding.test(note)) return;
    m_sounding.set(note);
    m_module1.SendShortMessage(0x90 | data);
  }
  if (m_choosing || m_entry.modalOpen()) return;
  m_choosing = true;
  if (event.kind == Kind::NoteOn) {
    m_entry.playedNote(event.note);
  } else {
    m_entry.pedalPressed();
  }
  m_choosing = false;
}

}  // namespace orv::midi
