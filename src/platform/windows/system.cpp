#include "platform/system.h"

#include <QDir>

#include <windows.h>

#include <shlobj.h>

namespace orv::platform {

bool displayAvailable() {
  return true;
}

QStringList commandLineArguments(int, char*[]) {
  // The text after the program's name, which may itself be quoted and hold blanks.
  const QString line = QString::fromWCharArray(GetCommandLineW());
  qsizetype at = 0;
  if (line.startsWith(u'"')) {
    const qsizetype close = line.indexOf(u'"', 1);
    at = close < 0 ? line.size() : close + 1;
  } else {
    while (at < line.size() && line[at] != u' ' && line[at] != u'\t') ++at;
  }
  while (at < line.size() && (line[at] == u' ' || line[at] == u'\t')) ++at;
  const QString rest = line.mid(at);
  return rest.isEmpty() ? QStringList() : QStringList{rest};
}

QString userConfigFolder() {
  PWSTR path = nullptr;
  QString folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path))) {
    folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
  }
  CoTaskMemFree(path);
  return folder;
}

}  // namespace orv::platform
