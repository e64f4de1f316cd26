#include "entry/pc_keyboard.h"

#include <Qt>

namespace orv::entry {

namespace {

// Positions on the JIS keyboard: home row A S D F G H J K L ; : ], upper row W E T Y U O P [.
constexpr std::array<PcKey, kPcKeyCount> kKeys{{
    {0x1E, Qt::Key_A},           {0x11, Qt::Key_W},
    {0x1F, Qt::Key_S},           {0x12, Qt::Key_E},
    {0x20, Qt::Key_D},           {0x21, Qt::Key_F},
    {0x14, Qt::Key_T},           {0x22, Qt::Key_G},
    {0x15, Qt::Key_Y},           {0x23, Qt::Key_H},
    {0x16, Qt::Key_U},           {0x24, Qt::Key_J},
    {0x25, Qt::Key_K},           {0x18, Qt::Key_O},
    {0x26, Qt::Key_L},           {0x19, Qt::Key_P},
    {0x27, Qt::Key_Semicolon},   {0x28, Qt::Key_Colon},
    {0x1B, Qt::Key_BracketLeft}, {0x2B, Qt::Key_BracketRight},
}};

}  // namespace

std::optional<int> pcKeyIndex(quint32 scanCode, int qtKey) {
  for (int i = 0; i < kPcKeyCount; ++i) {
    const PcKey& key = kKeys[static_cast<std::size_t>(i)];
    if (scanCode != 0 ? key.scanCode == scanCode : key.qtKey == qtKey) return i;
  }
  return std::nullopt;
}

int keyOfPlayedNote(int note) {
  return note >= 60 && note <= 84 ? note - 60 : note % 12;
}

std::optional<int> pcKeyReleaseIndex(quint32 scanCode, int qtKey) {
  if (qtKey == Qt::Key_Shift) return 0;
  return pcKeyIndex(scanCode, qtKey);
}

}  // namespace orv::entry
