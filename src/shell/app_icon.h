#pragma once

#include <QIcon>

namespace orv::shell {

// The window icon, three piano keys and a note, in every size from 16 to 256 pixels, so that a
// title bar or task bar at 200 % takes a picture made for its size (packaging/icons holds them).
QIcon appIcon();

}  // namespace orv::shell
