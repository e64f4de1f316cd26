#pragma once

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

#include "platform/message_box.h"

namespace orv::test {

// Records every message box and answers from a queue. A box with no answer queued is a failure
// of the test (it answers OK, or Cancel for a question, so the program goes on safely).
class ScriptedMessageBox final : public platform::MessageBox {
 public:
  struct Shown {
    QString text;
    int code;
    QString title;
  };

  // Queues the answer to the next box; OK boxes need an answer too, so a test says what it expects.
  void expect(int answer = kOk) { m_answers.push_back(answer); }
  // Runs inside the next box, once, before it answers: as events do while a real box waits.
  std::function<void()> whileShown;
  int show(const QString& text, int code, const QString& title) override;

  // Every box shown so far; clears the record.
  std::vector<Shown> take();
  QStringList takeTexts();
  const std::vector<Shown>& shown() const { return m_shown; }
  std::size_t pending() const { return m_answers.size(); }

 private:
  std::deque<int> m_answers;
  std::vector<Shown> m_shown;
};

}  // namespace orv::test
