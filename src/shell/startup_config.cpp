#include "shell/startup_config.h"

#include <QDir>
#include <QFileInfo>

#include "platform/folder_probe.h"
#include "shell/version.h"

namespace orv::shell {

QString StartupConfig::titleText() {
  return QStringLiteral("Orvo Editor Ver") + QString::number(kVersionMajor) + u'.' +
         QString::number(kVersionMinor) + QString::number(kVersionRevision) + QStringLiteral("β");
}

QString StartupConfig::commandLinePath(const QStringList& arguments) {
  QString raw = arguments.join(u' ');
  if (raw.size() >= 2 && raw.startsWith(u'"') && raw.endsWith(u'"')) {
    raw = raw.mid(1, raw.size() - 2);
  } else if (raw == QStringLiteral("\"")) {
    raw.clear();
  }
  return raw;
}

QString StartupConfig::probedFolder(const QString& folder) {
  return platform::canLookUpFolder(folder) ? folder : QString();
}

QString StartupConfig::iniPath(const QString& appFolder, const QString& configFolder,
                               const QString& virtualStore) {
  const QString kName = QStringLiteral("orvfiler.ini");
  // An installed program lives in a folder its user cannot write; the user's own folder is where
  // such a user can put the file.
  const QString beside = appFolder + u'/' + kName;
  const QString candidates[] = {
      virtualStore.isEmpty() ? QString() : virtualStoreCopy(beside, virtualStore), beside,
      configFolder.isEmpty() ? QString() : configFolder + u'/' + kName};
  for (const QString& path : candidates) {
    if (!path.isEmpty() && QFileInfo::exists(path)) return path;
  }
  return beside;
}

QString StartupConfig::virtualStoreCopy(const QString& path, const QString& virtualStore) {
  QString below = QDir::fromNativeSeparators(path);
  if (below.startsWith(QStringLiteral("//"))) return {};
  if (below.size() >= 2 && below[1] == u':' && below[0].isLetter()) below.remove(0, 2);
  if (!below.startsWith(u'/')) return {};
  return virtualStore + below;
}

}  // namespace orv::shell
