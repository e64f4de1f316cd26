#include "platform/system.h"

#include <QDir>

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "platform/command_line.h"

namespace orv::platform {

bool displayAvailable() {
  return true;
}

QStringList commandLineArguments(int, char*[]) {
  // The path the system started this program from, which a launcher may have passed unquoted.
  std::wstring program(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (n < program.size()) {
      program.resize(n);
      break;
    }
    program.resize(program.size() * 2);
  }
  const QString rest = textAfterProgram(QString::fromWCharArray(GetCommandLineW()),
                                        QString::fromStdWString(program));
  return rest.isEmpty() ? QStringList() : QStringList{rest};
}

namespace {

QString knownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  QString folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) {
    folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
  }
  CoTaskMemFree(path);
  return folder;
}

}  // namespace

QString userConfigFolder() {
  return knownFolder(FOLDERID_RoamingAppData);
}

QString virtualStoreFolder() {
  const QString local = knownFolder(FOLDERID_LocalAppData);
  return local.isEmpty() ? QString() : local + QStringLiteral("/VirtualStore");
}

}  // namespace orv::platform
