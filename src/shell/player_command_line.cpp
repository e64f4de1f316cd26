#include "shell/player_command_line.h"

namespace orv::shell {

QString playerCommandLine(const QString& PlayerPath, const QString& FilePath) {
  return u'"' + PlayerPath + QStringLiteral("\" \"") + FilePath + QStringLiteral("\" ") +
         kPlayerOptions;
}

}  // namespace orv::shell
