#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <vector>

namespace orv::test {

// Steps a test takes while the code under test runs an event loop of its own: every few
// milliseconds the next step's condition is checked and, once it holds, its action runs. An
// action that itself waits in an event loop must be posted (QTimer::singleShot), because a timer
// does not fire again while its own handler runs. When the steps take too long, `onTimeout` runs
// once so that the test can end what it waits for.
class EventSteps {
 public:
  explicit EventSteps(std::function<void()> onTimeout, int timeoutMs = 20000);

  EventSteps& when(std::function<bool()> condition, std::function<void()> action);
  EventSteps& then(std::function<void()> action);
  bool done() const { return m_next == m_steps.size(); }
  bool timedOut() const { return m_timedOut; }

 private:
  void tick();

  struct Step {
    std::function<bool()> condition;
    std::function<void()> action;
  };
  std::vector<Step> m_steps;
  std::size_t m_next = 0;
  std::function<void()> m_onTimeout;
  int m_timeoutMs;
  bool m_timedOut = false;
  QElapsedTimer m_clock;
  QTimer m_timer;
};

}  // namespace orv::test
