#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace orv::entry {

inline constexpr int kNamingSystemCount = 6;
inline constexpr int kPitchClassCount = 12;
// Keys 0..24 are chromatic and carry the names of a naming system; key 25 is the rest key.
inline constexpr int kChromaticKeyCount = 25;
inline constexpr int kRestKey = 25;

// The entries of the naming-system list, in list order; an entry's position is its system index.
QStringList notationListEntries();

// The note name of a pitch class (0 is C) in a system: the table every key caption comes from.
// Both arguments must be in range.
QString notationName(int system, int pitchClass);

// The caption a chromatic key 0..24 carries while `system` is in force; the same name for k, k + 12
// and, for k = 0, key 24, since a note name carries no octave.
QString keyCaption(int system, int key);

}  // namespace orv::entry
