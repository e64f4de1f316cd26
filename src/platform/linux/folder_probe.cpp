#include "platform/folder_probe.h"

#include <QFile>

#include <sys/stat.h>

#include <cerrno>

namespace orv::platform {

bool canLookUpFolder(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  if (name.contains('\0')) return false;
  struct stat info {};
  if (::stat(name.constData(), &info) == 0) return true;
  // Missing, not a folder on the way, or not ours to look into: the path itself is sound.
  return errno == ENOENT || errno == ENOTDIR || errno == EACCES;
}

}  // namespace orv::platform
