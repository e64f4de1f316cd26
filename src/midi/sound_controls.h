#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

class QAbstractButton;
class QComboBox;

namespace orv::midi {

class Module1;

struct SoundControlWidgets {
  QAbstractButton* Chk_Midi = nullptr;
  QComboBox* Combo1 = nullptr;  // instruments
  QComboBox* Combo2 = nullptr;  // output devices
};

// The General MIDI instrument names as the instrument list shows them, program 0 first.
extern const std::array<const char*, 128> kInstrumentNames;

// The device list entry of a system port at position `device` (0-based).
QString deviceEntryText(int device, const QString& portName);

// The MIDI switch, the instrument and device lists, and the keys and chord sounding while held.
class SoundControls {
 public:
  // `chordKeys` are the gathered chord's key indices as text, read when the token button is held.
  SoundControls(const SoundControlWidgets& widgets, Module1& module1,
                const std::array<QString, 5>& chordKeys);

  void FillDeviceList(const QStringList& portNames);
  void FillInstrumentList();

  void Chk_Midi_Click();
  void Combo1_Click();
  void Combo2_Click();
  void Opt_Scl_MouseDown(int key);
  void Opt_Scl_MouseUp(int key);
  void Cmd_Tone_MouseDown();
  void Cmd_Tone_MouseUp();
  void Cmd_Tone_Click() {}
  // The window lost the mouse or the keyboard: silence whatever the mouse still holds.
  void ReleaseHeldNotes();

  std::int32_t MidiDeviceId = -1;

 private:
  SoundControlWidgets m_widgets;
  Module1& m_module1;
  const std::array<QString, 5>& m_chordKeys;
  // What the mouse holds: keys pressed on the keyboard, and the chords struck on the token
  // button, oldest first. A release silences only what its press sounded, so a press whose
  // release never comes, a release without a press, or chord keys changed while the button is
  // held cannot leave a note sounding.
  std::vector<int> m_heldKeys;
  std::deque<std::vector<int>> m_heldChords;
};

}  // namespace orv::midi
