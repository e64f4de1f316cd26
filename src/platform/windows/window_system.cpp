#include "platform/window_system.h"

namespace orv::platform {

// Windows' fonts are the system's own, known to every program already.
void readFontConfigurationAhead() {}

// Windows marks the presses of a held key as repeats itself.
bool useDetectableKeyRepeat() {
  return false;
}

// The scan code as the keyboard sends it (set 1), with the extended-key bit above it.
quint32 physicalKeyCode(quint32 nativeScanCode) {
  return nativeScanCode;
}

quint32 nativeScanCodeOf(quint32 physicalKey) {
  return physicalKey;
}

}  // namespace orv::platform
