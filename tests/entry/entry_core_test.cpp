#include <Qt>

#include <gtest/gtest.h>

#include "entry/naming_systems.h"
#include "entry/pc_keyboard.h"
#include "entry/token_composer.h"

namespace orv::entry {
namespace {

struct SystemCaptions {
  int system;
  // Expected captions of keys 0, 1, 3, 10, 11 (and so of 12, 13, 15, 22, 23, and 24 like key 0).
  const char* k0;
  const char* k1;
  const char* k3;
  const char* k10;
  const char* k11;
};

const SystemCaptions kSystems[] = {
    {0, "d", "d+", "r+", "l+", "c"}, {1, "d", "r-", "m-", "c-", "c"},
    {2, "c", "c+", "d+", "a+", "b"}, {3, "c", "d-", "e-", "b-", "b"},
    {4, "c", "c+", "d+", "b", "h"},  {5, "c", "d-", "e-", "b", "h"},
};

TEST(KeyCaption, EachSystemNamesTheKeysOfBothOctavesAlike) {
  for (const SystemCaptions& s : kSystems) {
    SCOPED_TRACE(s.system);
    const std::pair<int, const char*> expected[] = {
        {0, s.k0},  {1, s.k1},  {3, s.k3},   {10, s.k10}, {11, s.k11}, {12, s.k0},
        {13, s.k1}, {15, s.k3}, {22, s.k10}, {23, s.k11}, {24, s.k0}};
    for (const auto& [key, caption] : expected) {
      EXPECT_EQ(keyCaption(s.system, key), QString::fromLatin1(caption)) << "key " << key;
    }
  }
}

// One step of a composition: a key (with its caption), a length, a suffix or Clear, and the token
// shown afterwards.
struct Step {
  enum Kind { Key, Length, Suffix, Clear } kind;
  int key;
  const char* caption;
  const char* shown;
};

struct Sequence {
  const char* name;
  bool chord;
  std::vector<Step> steps;
};

const Sequence kSequences[] = {
    {"key, length, suffix, another key, no suffix",
     false,
     {{Step::Key, 2, "r", "r"},
      {Step::Length, 0, "4", "r4"},
      {Step::Suffix, 0, "^", "r4^"},
      {Step::Key, 4, "m", "m4^"},
      {Step::Suffix, 0, "", "m4"}}},
    {"length before any key", false, {{Step::Length, 0, "8", "8"}}},
    {"rest key", false, {{Step::Length, 0, "2", "2"}, {Step::Key, 25, "_", "_2"}}},
    {"chord gathers in click order",
     true,
     {{Step::Key, 0, "d", "[d]"}, {Step::Key, 4, "m", "[dm]"}, {Step::Key, 7, "s", "[dms]"}}},
    {"chord ignores length and suffix",
     true,
     {{Step::Key, 0, "d", "[d]"}, {Step::Length, 0, "4", "[d]"}, {Step::Suffix, 0, ".", "[d]"}}},
    {"length right after clear in chord mode",
     true,
     {{Step::Clear, 0, "", "[]"}, {Step::Length, 0, "4", "[]"}}},
    {"clear in chord mode starts a new chord",
     true,
     {{Step::Key, 0, "d", "[d]"}, {Step::Clear, 0, "", "[]"}, {Step::Key, 7, "s", "[s]"}}},
    {"clear in normal mode empties every part",
     false,
     {{Step::Key, 2, "r", "r"},
      {Step::Length, 0, "4", "r4"},
      {Step::Suffix, 0, ".", "r4."},
      {Step::Clear, 0, "", ""},
      {Step::Key, 4, "m", "m"}}},
    {"rest key in a chord", true, {{Step::Key, 0, "d", "[d]"}, {Step::Key, 25, "_", "[d_]"}}},
};

TEST(TokenComposer, ShowsTheTokenAfterEachStep) {
  for (const Sequence& s : kSequences) {
    SCOPED_TRACE(s.name);
    TokenComposer c;
    c.ChordMode = s.chord ? 1 : 0;
    for (const Step& step : s.steps) {
      const QString caption = QString::fromLatin1(step.caption);
      switch (step.kind) {
        case Step::Key:
          EXPECT_EQ(c.chooseKey(step.key, caption), TokenComposer::KeyOutcome::Composed);
          break;
        case Step::Length:
          c.chooseLength(caption);
          break;
        case Step::Suffix:
          c.chooseSuffix(caption);
          break;
        case Step::Clear:
          c.clear();
          break;
      }
      EXPECT_EQ(c.pendingToken(), QString::fromLatin1(step.shown)) << "after " << step.caption;
    }
  }
}

// Scan codes are X11 key codes (Linux input codes + 8); 0 marks a synthetic event.
struct PcKeyRow {
  quint32 scanCode;
  int qtKey;
  std::optional<int> down;
  std::optional<int> up;
};

const PcKeyRow kPcKeyRows[] = {
    {38, Qt::Key_Q, 0, 0},             // the A position, whatever the layout calls it
    {24, Qt::Key_A, {}, {}},           // the Q position
    {48, Qt::Key_Apostrophe, 17, 17},  // ":" on the JIS layout, "'" on a US one
    {51, Qt::Key_Backslash, 19, 19},   // "]" on the JIS layout
    {0, Qt::Key_Colon, 17, 17},
    {0, Qt::Key_Q, {}, {}},
    {0, Qt::Key_I, {}, {}},
    {31, Qt::Key_I, {}, {}},
    {36, Qt::Key_Return, {}, {}},
    {50, Qt::Key_Shift, {}, 0},
    {62, Qt::Key_Shift, {}, 0},
    {0, Qt::Key_Shift, {}, 0},
};

TEST(PcKeyboard, KnowsKeysByPositionOrByEngraving) {
  const quint32 scans[] = {38, 25, 39, 26, 40, 41, 28, 42, 29, 43,
                           30, 44, 45, 32, 46, 33, 47, 48, 35, 51};
  const int engravings[] = {
      Qt::Key_A, Qt::Key_W,         Qt::Key_S,     Qt::Key_E,           Qt::Key_D,
      Qt::Key_F, Qt::Key_T,         Qt::Key_G,     Qt::Key_Y,           Qt::Key_H,
      Qt::Key_U, Qt::Key_J,         Qt::Key_K,     Qt::Key_O,           Qt::Key_L,
      Qt::Key_P, Qt::Key_Semicolon, Qt::Key_Colon, Qt::Key_BracketLeft, Qt::Key_BracketRight};
  for (int i = 0; i < kPcKeyCount; ++i) {
    EXPECT_EQ(pcKeyIndex(scans[i], Qt::Key_unknown), i);
    EXPECT_EQ(pcKeyIndex(0, engravings[i]), i);
  }
  for (const PcKeyRow& row : kPcKeyRows) {
    SCOPED_TRACE(testing::Message() << row.scanCode << " " << row.qtKey);
    EXPECT_EQ(pcKeyIndex(row.scanCode, row.qtKey), row.down);
    EXPECT_EQ(pcKeyReleaseIndex(row.scanCode, row.qtKey), row.up);
  }
}

}  // namespace
}  // namespace orv::entry
