#pragma once

#include <QIcon>

namespace orv::shell {

// The 32 x 32 window icon: three piano keys and a note (packaging/icons holds its sources).
QIcon appIcon();

}  // namespace orv::shell
