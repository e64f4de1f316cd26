#include "shell/app_icon.h"

namespace orv::shell {

QIcon appIcon() {
  QIcon icon;
  for (const int size : {16, 20, 24, 32, 40, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/io.github.orveditor.OrvEditor-%1.png").arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace orv::shell
