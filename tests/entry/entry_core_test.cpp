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

// Scan codes are X11 key codes (Linux input codes + 8); 0 marks a synthetic event.
TEST(PcKeyboard, KnowsKeysByPositionOrByEngraving) {
  // Keyboard key i by its position, and by its JIS engraving (a printable key's Qt code is ASCII).
  const quint32 scans[] = {38, 25, 39, 26, 40, 41, 28, 42, 29, 43,
                           30, 44, 45, 32, 46, 33, 47, 48, 35, 51};
  const char engravings[] = "AWSEDFTGYHUJKOLP;:[]";
  for (int i = 0; i < kPcKeyCount; ++i) {
    EXPECT_EQ(pcKeyIndex(scans[i], Qt::Key_unknown), i);
    EXPECT_EQ(pcKeyIndex(0, engravings[i]), i);
  }
  EXPECT_EQ(pcKeyIndex(24, Qt::Key_A), std::nullopt);  // the Q position, whatever its engraving
  EXPECT_EQ(pcKeyReleaseIndex(50, Qt::Key_Shift), 0);  // a released Shift counts as key 0
}

}  // namespace
}  // namespace orv::entry
