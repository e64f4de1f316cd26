#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

namespace orv::entry {

// The twenty PC keys that play the on-screen keyboard in Key mode: the home row of the Japanese
// layout as the white keys, the row above as the black keys. Keyboard key index i plays on-screen
// key i.
struct PcKey {
  quint32 scanCode;  // X11 / Wayland key code: the Linux input code of the position + 8
  int qtKey;         // Qt key code of the key's engraving on the Japanese layout
};

inline constexpr int kPcKeyCount = 20;

// A key is known by its position when the event carries a scan code, so that the rows work on any
// layout; a synthetic event (scan code 0) is known by its key code. Modifiers play no part.
std::optional<int> pcKeyIndex(quint32 nativeScanCode, int qtKey);

// As pcKeyIndex, but a released Shift counts as keyboard key 0.
std::optional<int> pcKeyReleaseIndex(quint32 nativeScanCode, int qtKey);

}  // namespace orv::entry
