#include "support/scripted_message_box.h"

#include <gtest/gtest.h>

#include <utility>

namespace orv::test {

int ScriptedMessageBox::show(const QString& text, int code, const QString& title) {
  m_shown.push_back({text, code, title.isEmpty() ? platform::kApplicationTitle : title});
  if (const auto during = std::exchange(whileShown, {})) during();
  if (m_answers.empty()) {
    ADD_FAILURE() << "unexpected message box: " << text.toStdString();
    return code == kYesNoCancelWarning ? kCancel : kOk;
  }
  const int answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

std::vector<ScriptedMessageBox::Shown> ScriptedMessageBox::take() {
  std::vector<Shown> out;
  out.swap(m_shown);
  return out;
}

QStringList ScriptedMessageBox::takeTexts() {
  QStringList texts;
  for (const Shown& box : take()) texts << box.text;
  return texts;
}

}  // namespace orv::test
