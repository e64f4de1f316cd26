#include "shell/startup_config.h"

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

}  // namespace orv::shell
