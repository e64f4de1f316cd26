#include "shell/app_icon.h"

namespace orv::shell {

QIcon appIcon() {
  return QIcon(QStringLiteral(":/icons/io.github.orveditor.OrvEditor-32.png"));
}

}  // namespace orv::shell
