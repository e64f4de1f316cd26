#include "midi/sound_controls.h"

#include <QAbstractButton>
#include <QComboBox>

#include <algorithm>

#include "midi/module1.h"
#include "platform/control_value.h"

namespace orv::midi {

namespace {

constexpr int kRestKey = 25;

}  // namespace

// The names are the ones this list has always shown, misspellings included.
// clang-format off
const std::array<const char*, 128> kInstrumentNames = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavinet", "Celesta", "Glockenspiel",
    "Music Box", "Vibraphone", "Marimba", "Xylophone", "Tubular-Bells", "Dulcimer", "Drawbar Organ",
    "Percussive Organ", "Rock Organ", "Church Organ", "Reed Organ", "Accordion", "Harmonica",
    "Tango Accordion", "Acoustic Guitar (Nylon)", "Acoustic Guitar (Steel)",
    "Electric Guitar (Jazz)", "Electric Guitar (Clean)", "Electric Guitar (Muted)",
    "Overdrived Guitar", "Distortion Guitar", "Guitar Harmonics", "Acoustic Bass",
    "Electric Bass (Finger)", "Electric Bass (Picked)", "Fretless Bass", "Slap Bass 1",
    "Slap Bass 2", "Synth Bass 1", "Synth Bass 2", "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani", "String Ensemble 1",
    "String Ensemble 2", "Synth Strings 1", "Synth Strings 2", "Choir Aahs", "Voice Oohs",
    "Synth Voice", "Orchestra Hit", "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn",
    "Brass Section", "Synth Brass 1", "Synth Brass 2", "Soprano Sax", "Alto Sax", "Tenor Sax",
    "Baritone Sax", "Oboe", "English Hom", "Bassoon", "Clarinet", "Piccolo", "Flute", "Recorder",
    "Pan Flute", "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina", "Lead 1 (Square)",
    "Lead 2 (Sawtooth)", "Lead 3 (Calliope)", "Lead 4 (Chiff)", "Lead 5 (Charang)",
    "Lead 6 (Voice)", "Lead 7 (Fifths)", "Lead 8 (Bass&Lead)", "Pad 1 (New Age)", "Pad 2 (Warm)",
    "Pad 3 (Polysynth)", "Pad 4 (Choir)", "Pad 5 (Bowed)", "Pad 6 (Metallic)", "Pad 7 (Halo)",
    "Pad 8 (Sweep)", "FX 1 (Rain)", "FX 2 (Soundtrack)", "FX 3 (Crystal)", "FX 4 (Atmosphere)",
    "FX 5 (Brightness)", "FX 6 (Goblins)", "FX 7 (Echoes)", "FX 8 (Sci-Fi)", "Sitar", "Banjo",
    "Shamisen", "Koto", "Kalimba", "Bag pipe", "Fiddle", "Shanai", "Tinkle Bell", "Agogo",
    "Steel Drums", "Woodblock", "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter",
    "Applause", "Gunshot"};
// clang-format on

// The number stands where a sign would: a blank before it, as a positive number is printed.
QString deviceEntryText(int device, const QString& portName) {
  return u' ' + QString::number(device + 1) + u':' + portName;
}

SoundControls::SoundControls(const SoundControlWidgets& widgets, Module1& module1,
                             const std::array<QString, 5>& chordKeys)
    : m_widgets(widgets), m_module1(module1), m_chordKeys(chordKeys) {}

void SoundControls::FillDeviceList(const QStringList& portNames) {
  QComboBox& list = *m_widgets.Combo2;
  list.clear();
  list.addItem(QStringLiteral("0:MIDI Mapper"));
  for (int d = 0; d < portNames.size(); ++d) list.addItem(deviceEntryText(d, portNames[d]));
  platform::setListIndex(list, 0);
}

void SoundControls::FillInstrumentList() {
  QComboBox& list = *m_widgets.Combo1;
  // Added at once: one by one, the list's model reports each of the 128 rows on its own.
  QStringList entries;
  entries.reserve(static_cast<qsizetype>(kInstrumentNames.size()));
  for (int k = 0; k < static_cast<int>(kInstrumentNames.size()); ++k) {
    entries << QStringLiteral("%1: ").arg(k + 1, 3, 10, QChar(u'0')) +
                   QString::fromLatin1(kInstrumentNames[k]);
  }
  list.addItems(entries);
  platform::setListIndex(list, 0);
}

void SoundControls::Chk_Midi_Click() {
  if (platform::value(*m_widgets.Chk_Midi) == 1) {
    m_module1.OpenMidiOut(MidiDeviceId);
  } else {
    m_module1.ResetMidiOut();
    m_module1.CloseMidiOut();
  }
}

void SoundControls::Combo1_Click() {
  const int program = m_widgets.Combo1->currentIndex();
  if (program < 0) return;
  m_module1.SendShortMessage(programChangeMessage(program));
}

void SoundControls::Combo2_Click() {
  MidiDeviceId = m_widgets.Combo2->currentIndex() - 1;
}

void SoundControls::Opt_Scl_MouseDown(int key) {
  if (key < 0 || key >= kRestKey) return;
  m_module1.NoteOn(key);
  m_heldKeys.push_back(key);
}

void SoundControls::Opt_Scl_MouseUp(int key) {
  const auto held = std::find(m_heldKeys.begin(), m_heldKeys.end(), key);
  if (held == m_heldKeys.end()) return;
  m_heldKeys.erase(held);
  m_module1.NoteOff(key);
}

void SoundControls::Cmd_Tone_MouseDown() {
  std::vector<int> chord;
  for (const QString& slot : m_chordKeys) {
    if (slot.isEmpty()) break;
    bool ok = false;
    const int key = slot.toInt(&ok);
    if (!ok || key < 0 || key >= kRestKey) continue;
    m_module1.NoteOn(key);
    chord.push_back(key);
  }
  m_heldChords.push_back(std::move(chord));
}

void SoundControls::Cmd_Tone_MouseUp() {
  if (m_heldChords.empty()) return;
  const std::vector<int> chord = std::move(m_heldChords.front());
  m_heldChords.pop_front();
  for (const int key : chord) m_module1.NoteOff(key);
}

void SoundControls::ReleaseHeldNotes() {
  while (!m_heldKeys.empty()) Opt_Scl_MouseUp(m_heldKeys.front());
  while (!m_heldChords.empty()) Cmd_Tone_MouseUp();
}

}  // namespace orv::midi
