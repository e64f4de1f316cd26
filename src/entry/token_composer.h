#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

namespace orv::entry {

// The pending token and the chord being gathered. Every part is a caption taken from the button
// the user chose; the composer never looks a name up itself.
class TokenComposer {
 public:
  static constexpr int kMaxChordKeys = 5;

  enum class KeyOutcome {
    Composed,
    ChordFull,  // chord mode already holds five keys: nothing changed
  };

  // Key `key` (0..25) with its caption: replaces the note name, or in chord mode adds the key.
  KeyOutcome chooseKey(int key, const QString& caption);
  void chooseLength(const QString& caption);
  void chooseSuffix(const QString& caption);
  // Empties the token and the chord; the mode stays.
  void clear();

  // The token as shown: name, length and suffix; in chord mode the gathered names in brackets.
  QString pendingToken() const;

  QString NoteName;
  QString LengthText;
  QString SuffixText;
  qint16 ChordMode = 0;
  // Decimal key indices of the gathered keys, filled from slot 0 without gaps.
  std::array<QString, kMaxChordKeys> ChordKeys;
  int ChordCount = 0;
};

}  // namespace orv::entry
