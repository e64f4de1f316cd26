#include "platform/linux/modules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include "platform/midi_service.h"

namespace orv::platform {

namespace {

// Installed, at their place relative to the program's folder; else in the build tree.
QStringList moduleFolders() {
  const QString programFolder =
      QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).path();
  return {QDir(programFolder).filePath(QStringLiteral(ORV_MODULES_FROM_BINDIR)),
          QStringLiteral(ORV_MODULES_IN_BUILD)};
}

}  // namespace

void* moduleSymbol(const char* file, const char* symbol, QString& error) {
  error.clear();
  for (const QString& folder : moduleFolders()) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(file));
    if (!QFileInfo::exists(path)) continue;
    // Never closed: the modules' threads and their libraries' own state stay until the end.
    // Loading one already loaded only counts it again.
    void* module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (void* address = module ? dlsym(module, symbol) : nullptr) return address;
    error = QString::fromLocal8Bit(dlerror());
  }
  if (error.isEmpty()) error = QStringLiteral("%1 がありません。").arg(QString::fromLatin1(file));
  return nullptr;
}

std::unique_ptr<MidiService> loadMidiService(const char* file, const char* factory,
                                             QString& error) {
  auto* make = reinterpret_cast<MidiService* (*)()>(moduleSymbol(file, factory, error));
  return std::unique_ptr<MidiService>(make ? make() : nullptr);
}

}  // namespace orv::platform
