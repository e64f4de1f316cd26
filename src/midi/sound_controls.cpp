#include "midi/sound_controls.h"

#include <QAbstractButton>
#include <QComboBox>

#include "midi/module1.h"

namespace orv::midi {

SoundControls::SoundControls(const SoundControlWidgets& widgets, Module1& module1,
                             const std::array<QString, 5>& chordKeys)
    : m_widgets(widgets), m_module1(module1), m_chordKeys(chordKeys) {}

void SoundControls::FillDeviceList(const QStringList&) {}
void SoundControls::FillInstrumentList() {}
void SoundControls::Chk_Midi_Click() {}
void SoundControls::Combo1_Click() {}
void SoundControls::Combo2_Click() { MidiDeviceId = m_widgets.Combo2->currentIndex() - 1; }
void SoundControls::Opt_Scl_MouseDown(int) {}
void SoundControls::Opt_Scl_MouseUp(int) {}
void SoundControls::Cmd_Tone_MouseDown() {}
void SoundControls::Cmd_Tone_MouseUp() {}
void SoundControls::ReleaseHeldNotes() {
  (void)m_module1;
  (void)m_chordKeys;
}

}  // namespace orv::midi
