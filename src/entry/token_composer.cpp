#include "entry/token_composer.h"

namespace orv::entry {

TokenComposer::KeyOutcome TokenComposer::chooseKey(int key, const QString& caption) {
  if (ChordMode == 0) {
    NoteName = caption;
    return KeyOutcome::Composed;
  }
  if (ChordCount >= kMaxChordKeys) return KeyOutcome::ChordFull;
  NoteName += caption;
  ChordKeys[static_cast<std::size_t>(ChordCount)] = QString::number(key);
  ++ChordCount;
  return KeyOutcome::Composed;
}

void TokenComposer::chooseLength(const QString& caption) {
  LengthText = caption;
}

void TokenComposer::chooseSuffix(const QString& caption) {
  SuffixText = caption;
}

void TokenComposer::clear() {
  NoteName.clear();
  LengthText.clear();
  SuffixText.clear();
  for (QString& slot : ChordKeys) slot.clear();
  ChordCount = 0;
}

QString TokenComposer::pendingToken() const {
  if (ChordMode != 0) return u'[' + NoteName + u']';
  return NoteName + LengthText + SuffixText;
}

}  // namespace orv::entry
