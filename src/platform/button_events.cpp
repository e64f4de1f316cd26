#include "platform/button_events.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMouseEvent>

namespace orv::platform {

void ButtonEvents::watch(QAbstractButton* button, int index, const Handlers& handlers) {
  m_watched.insert(button, Watched{index, handlers});
  connect(button, &QObject::destroyed, this, [this](QObject* gone) { m_watched.remove(gone); });
  button->installEventFilter(this);
}

bool ButtonEvents::eventFilter(QObject* object, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
      type != QEvent::MouseButtonDblClick) {
    return false;
  }
  const auto found = m_watched.constFind(object);
  if (found == m_watched.cend()) return false;
  auto* button = static_cast<QAbstractButton*>(object);
  if (!button->isEnabled()) return false;
  const int index = found->index;
  const Handlers& h = found->handlers;
  const bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
  if (type == QEvent::MouseButtonPress || (type == QEvent::MouseButtonDblClick && !left)) {
    if (h.mouseDown) h.mouseDown(index);
    return false;
  }
  if (type == QEvent::MouseButtonRelease) {
    if (h.mouseUp) h.mouseUp(index);
    return false;
  }
  // The second press of a left double click: neither a press nor a click of the button.
  if (h.dblClick) h.dblClick(index);
  return true;
}

}  // namespace orv::platform
