#include <Qt>

#include <gtest/gtest.h>

#include "entry/naming_systems.h"
#include "entry/pc_keyboard.h"

namespace orv::entry {
namespace {

TEST(NamingSystems, EachNamesTheKeysOfBothOctavesAlike) {
  // Captions of keys 0, 1, 3, 10 and 11, one row per system; keys k + 12 and 24 repeat them.
  const char* captions[] = {"d d+ r+ l+ c", "d r- m- c- c", "c c+ d+ a+ b",
                            "c d- e- b- b", "c c+ d+ b h",  "c d- e- b h"};
  for (int system = 0; system < kNamingSystemCount; ++system) {
    for (const int octave : {0, 12}) {
      QStringList shown;
      for (const int key : {0, 1, 3, 10, 11}) shown << keyCaption(system, key + octave);
      EXPECT_EQ(shown.join(u' '), QLatin1String(captions[system])) << "octave " << octave;
    }
    EXPECT_EQ(keyCaption(system, 24), keyCaption(system, 0));
  }
}

// Positions are set-1 scan codes (A is 0x1E); 0 marks a synthetic event.
TEST(PcKeyboard, KnowsKeysByPositionOrByEngraving) {
  // Keyboard key i by its position, and by its JIS engraving (a printable key's Qt code is ASCII).
  const quint32 scans[] = {0x1E, 0x11, 0x1F, 0x12, 0x20, 0x21, 0x14, 0x22, 0x15, 0x23,
                           0x16, 0x24, 0x25, 0x18, 0x26, 0x19, 0x27, 0x28, 0x1B, 0x2B};
  const char engravings[] = "AWSEDFTGYHUJKOLP;:[]";
  for (int i = 0; i < kPcKeyCount; ++i) {
    EXPECT_EQ(pcKeyIndex(scans[i], Qt::Key_unknown), i);
    EXPECT_EQ(pcKeyIndex(0, engravings[i]), i);
  }
  EXPECT_EQ(pcKeyIndex(0x10, Qt::Key_A), std::nullopt);  // the Q position, whatever its engraving
  EXPECT_EQ(pcKeyReleaseIndex(0x2A, Qt::Key_Shift), 0);  // a released Shift counts as key 0
}

TEST(PlayedNotes, ChooseTheirOwnKeyOrTheLowerKeyOfTheirPitchClass) {
  const std::pair<int, int> rows[] = {{60, 0},  {64, 4}, {79, 19}, {84, 24}, {85, 1},
                                      {59, 11}, {36, 0}, {0, 0},   {127, 7}};
  for (const auto& [note, key] : rows) EXPECT_EQ(keyOfPlayedNote(note), key) << note;
}

}  // namespace
}  // namespace orv::entry
