#include "shell/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace orv::shell {

QIcon appIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  for (int i = 0; i < 3; ++i) p.drawRect(2 + i * 9, 10, 9, 20);
  p.setBrush(Qt::black);
  p.drawRect(8, 10, 5, 12);
  p.drawRect(17, 10, 5, 12);
  p.setBrush(QColor(200, 0, 0));
  p.setPen(QColor(200, 0, 0));
  p.drawEllipse(QPoint(24, 8), 4, 3);
  p.drawLine(28, 8, 28, 0);
  p.end();
  return QIcon(pixmap);
}

}  // namespace orv::shell
