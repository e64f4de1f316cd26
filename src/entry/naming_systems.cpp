#include "entry/naming_systems.h"

#include <QtGlobal>

namespace orv::entry {

namespace {

using Column = std::array<const char*, kPitchClassCount>;

// One column per system: Italian solfège, English and German letters, each with sharps, then flats.
// The German columns name B-flat "b" and B "h" in both of them.
constexpr std::array<Column, kNamingSystemCount> kNames{{
    {"d", "d+", "r", "r+", "m", "f", "f+", "s", "s+", "l", "l+", "c"},
    {"d", "r-", "r", "m-", "m", "f", "s-", "s", "l-", "l", "c-", "c"},
    {"c", "c+", "d", "d+", "e", "f", "f+", "g", "g+", "a", "a+", "b"},
    {"c", "d-", "d", "e-", "e", "f", "g-", "g", "a-", "a", "b-", "b"},
    {"c", "c+", "d", "d+", "e", "f", "f+", "g", "g+", "a", "b", "h"},
    {"c", "d-", "d", "e-", "e", "f", "g-", "g", "a-", "a", "b", "h"},
}};

}  // namespace

QStringList notationListEntries() {
  return {QStringLiteral("伊系(ラシド調)＃"),   QStringLiteral("伊系(ラシド調)♭"),
          QStringLiteral("英米系(ＡＢＣ調)＃"), QStringLiteral("英米系(ＡＢＣ調)♭"),
          QStringLiteral("独系(ＡＨＣ調)＃"),   QStringLiteral("独系(ＡＨＣ調)♭")};
}

QString notationName(int system, int pitchClass) {
  Q_ASSERT(system >= 0 && system < kNamingSystemCount);
  Q_ASSERT(pitchClass >= 0 && pitchClass < kPitchClassCount);
  return QString::fromLatin1(
      kNames[static_cast<std::size_t>(system)][static_cast<std::size_t>(pitchClass)]);
}

QString keyCaption(int system, int key) {
  Q_ASSERT(key >= 0 && key < kChromaticKeyCount);
  return notationName(system, key % kPitchClassCount);
}

}  // namespace orv::entry
