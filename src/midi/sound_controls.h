#pragma once

#include <QString>

#include <array>
#include <cstdint>

class QAbstractButton;
class QComboBox;

namespace orv::midi {

class Module1;

struct SoundControlWidgets {
  QAbstractButton* Chk_Midi = nullptr;
  QComboBox* Combo1 = nullptr;  // instruments
  QComboBox* Combo2 = nullptr;  // output devices
};

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
};

}  // namespace orv::midi
