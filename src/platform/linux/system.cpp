#include "platform/system.h"

#include <QStandardPaths>

namespace orv::platform {

QStringList commandLineArguments(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

QString userConfigFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString virtualStoreFolder() {
  return {};
}

}  // namespace orv::platform
