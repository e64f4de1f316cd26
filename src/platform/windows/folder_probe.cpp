#include "platform/folder_probe.h"

#include <QDir>

#include <windows.h>

namespace orv::platform {

bool canLookUpFolder(const QString& path) {
  if (path.contains(QChar(0))) return false;
  const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
  if (GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  // Missing, or not ours to look into: the path itself is sound.
  const DWORD code = GetLastError();
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_ACCESS_DENIED;
}

}  // namespace orv::platform
