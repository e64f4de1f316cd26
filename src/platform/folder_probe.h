#pragma once

#include <QString>

namespace orv::platform {

// Whether `path` can be looked up as a folder here. A well-formed path to something that does not
// exist passes; a path the file system refuses to look up (an embedded NUL, a name too long, a
// loop of links, a device that fails) does not.
bool canLookUpFolder(const QString& path);

}  // namespace orv::platform
