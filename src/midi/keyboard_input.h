#pragma once

#include <bitset>
#include <functional>

class QAbstractButton;

namespace orv::platform {
class MidiInput;
struct PlayedEvent;
}  // namespace orv::platform

namespace orv::midi {

class Module1;

// The MIDI keyboards while the MIDI switch is on. A played note sounds on the open output at its
// own pitch and velocity until its key is released, and chooses its on-screen key; the pedal
// presses Enter. Switching MIDI off, or the window closing, ends every note played.
class KeyboardInput {
 public:
  struct Entry {
    std::function<void(int note)> playedNote;  // chooses the key of the note
    std::function<void()> pedalPressed;        // presses Enter
    std::function<bool()> modalOpen;           // a box or dialog waits for the user
  };

  KeyboardInput(const QAbstractButton& Chk_Midi, platform::MidiInput& input, Module1& module1,
                Entry entry);
  ~KeyboardInput();
  KeyboardInput(const KeyboardInput&) = delete;
  KeyboardInput& operator=(const KeyboardInput&) = delete;

  void Chk_Midi_Click();
  void Close();

 private:
  void played(const platform::PlayedEvent& event);

  const QAbstractButton& m_chkMidi;
  platform::MidiInput& m_input;
  Module1& m_module1;
  Entry m_entry;
  std::bitset<128> m_sounding;  // notes played and sounding on the output
  // Set while a played note or the pedal is being handled: a box it shows waits in an event
  // loop, where the notes played meanwhile must not choose again and stack a second box.
  bool m_choosing = false;
};

}  // namespace orv::midi
