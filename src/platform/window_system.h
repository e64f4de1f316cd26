#pragma once

// What the editor needs from the window system beyond the toolkit: held keys reported as repeated
// presses, keys known by their place on the keyboard whatever its layout, and the system's font
// configuration read while the toolkit starts.

#include <QtGlobal>

namespace orv::platform {

// Starts reading the system's font configuration on a thread of its own, at the lowest share of
// the processor, so that the toolkit's first font, some ten milliseconds later, finds
// it read instead of reading it then (some 5 ms of a start on Linux, where every program parses
// the configuration files anew). Where the toolkit needs no such reading (Windows) nothing is done.
void readFontConfigurationAhead();

// Asks the window system to report a held key as repeated presses with one release at the end,
// instead of a release and press pair for every repeat. Only an X11 connection needs and allows
// this; elsewhere nothing is done (Windows marks repeats itself). Returns whether it was granted.
bool useDetectableKeyRepeat();

// The place of a key on the keyboard, from the code the window system gave its event: the scan
// code of the PC keyboard's set 1, which Linux input codes equal for the keys of the letter
// block (A is 0x1E). 0 for an event that came with no code.
quint32 physicalKeyCode(quint32 nativeScanCode);

// The code the window system gives a key's events, from its place; for tests that make events.
quint32 nativeScanCodeOf(quint32 physicalKey);

}  // namespace orv::platform
