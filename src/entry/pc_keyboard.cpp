#include "entry/pc_keyboard.h"

#include <Qt>

namespace orv::entry {

namespace {

constexpr quint32 kEvdevOffset = 8;

constexpr quint32 at(quint32 linuxInputCode) {
  return linuxInputCode + kEvdevOffset;
}

// Positions on the JIS keyboard: home row A S D F G H J K L ; : ], upper row W E T Y U O P [.
constexpr std::array<PcKey, kPcKeyCount> kKeys{{
    {at(30), Qt::Key_A},           {at(17), Qt::Key_W},
    {at(31), Qt::Key_S},           {at(18), Qt::Key_E},
    {at(32), Qt::Key_D},           {at(33), Qt::Key_F},
    {at(20), Qt::Key_T},           {at(34), Qt::Key_G},
    {at(21), Qt::Key_Y},           {at(35), Qt::Key_H},
    {at(22), Qt::Key_U},           {at(36), Qt::Key_J},
    {at(37), Qt::Key_K},           {at(24), Qt::Key_O},
    {at(38), Qt::Key_L},           {at(25), Qt::Key_P},
    {at(39), Qt::Key_Semicolon},   {at(40), Qt::Key_Colon},
    {at(27), Qt::Key_BracketLeft}, {at(43), Qt::Key_BracketRight},
}};

}  // namespace

std::optional<int> pcKeyIndex(quint32 nativeScanCode, int qtKey) {
  for (int i = 0; i < kPcKeyCount; ++i) {
    const PcKey& key = kKeys[static_cast<std::size_t>(i)];
    if (nativeScanCode != 0 ? key.scanCode == nativeScanCode : key.qtKey == qtKey) return i;
  }
  return std::nullopt;
}

std::optional<int> pcKeyReleaseIndex(quint32 nativeScanCode, int qtKey) {
  if (qtKey == Qt::Key_Shift) return 0;
  return pcKeyIndex(nativeScanCode, qtKey);
}

}  // namespace orv::entry
