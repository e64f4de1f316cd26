#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

namespace orv::entry {

// The twenty PC keys that play the on-screen keyboard in Key mode: the home row of the Japanese
// layout as the white keys, the row above as the black keys. Keyboard key index i plays on-screen
// key i.
struct PcKey {
  quint32 scanCode;  // the position: the PC keyboard's set-1 scan code (A is 0x1E)
  int qtKey;         // Qt key code of the key's engraving on the Japanese layout
};

inline constexpr int kPcKeyCount = 20;

// A key is known by its position when the event carries one, so that the rows work on any layout;
// a synthetic event (position 0) is known by its key code. Modifiers play no part.
std::optional<int> pcKeyIndex(quint32 scanCode, int qtKey);

// As pcKeyIndex, but a released Shift counts as keyboard key 0.
std::optional<int> pcKeyReleaseIndex(quint32 scanCode, int qtKey);

// The on-screen key that a note played on a MIDI keyboard chooses: the key of that pitch where
// the keyboard has one (notes 60 to 84), else the key of its pitch class in the lower octave, as
// the names carry no octave.
int keyOfPlayedNote(int note);

}  // namespace orv::entry
