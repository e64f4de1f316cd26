#include "support/event_steps.h"

#include <QTimer>

namespace orv::test {

void when(QObject& owner, std::function<bool()> condition, std::function<void()> action) {
  auto* timer = new QTimer(&owner);
  QObject::connect(timer, &QTimer::timeout, [timer, condition, action] {
    if (!condition()) return;
    timer->stop();
    action();
  });
  timer->start(5);
}

}  // namespace orv::test
