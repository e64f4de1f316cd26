#include "support/scripted_file_dialog.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace orv::test {

bool ScriptedFileDialog::answer(bool save) {
  m_shown.push_back({save, DialogTitle, InitDir});
  if (m_answers.empty()) {
    ADD_FAILURE() << "unexpected file dialog: " << DialogTitle.toStdString();
    return false;
  }
  const std::optional<QString> path = m_answers.front();
  m_answers.pop_front();
  if (!path) return false;
  FileName = *path;
  if (!path->isEmpty()) InitDir = QFileInfo(*path).absolutePath();
  return true;
}

}  // namespace orv::test
