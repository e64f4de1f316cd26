#include "support/event_steps.h"

namespace orv::test {

EventSteps::EventSteps(std::function<void()> onTimeout, int timeoutMs)
    : m_onTimeout(std::move(onTimeout)), m_timeoutMs(timeoutMs) {
  m_clock.start();
  QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
  m_timer.start(5);
}

EventSteps& EventSteps::when(std::function<bool()> condition, std::function<void()> action) {
  m_steps.push_back({std::move(condition), std::move(action)});
  return *this;
}

EventSteps& EventSteps::then(std::function<void()> action) {
  return when([] { return true; }, std::move(action));
}

void EventSteps::tick() {
  if (done() || m_timedOut) return;
  if (m_clock.elapsed() > m_timeoutMs) {
    m_timedOut = true;
    m_onTimeout();
    return;
  }
  if (!m_steps[m_next].condition()) return;
  // The action may add steps; keep it apart from the vector.
  const std::function<void()> action = m_steps[m_next].action;
  ++m_next;
  action();
}

}  // namespace orv::test
