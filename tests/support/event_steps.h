#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace orv::test {

// Runs `action` once, as soon as `condition` holds: checked every few milliseconds by whichever
// event loop runs, nested ones included, until `owner` goes. The action may itself wait in an
// event loop; the other steps go on meanwhile.
inline void when(QObject& owner, std::function<bool()> condition, std::function<void()> action) {
  auto* timer = new QTimer(&owner);
  QObject::connect(timer, &QTimer::timeout, [timer, condition, action] {
    if (!condition()) return;
    timer->stop();
    action();
  });
  timer->start(5);
}

}  // namespace orv::test
