#pragma once

#include <QString>

#include <deque>
#include <optional>
#include <vector>

#include "platform/file_dialog.h"

namespace orv::test {

// Answers each Show from a queue: a path (the dialog's folder becomes the path's folder) or a
// cancel. Records whether each Show was a save, its title and the folder it opened in.
class ScriptedFileDialog final : public platform::FileDialog {
 public:
  struct Shown {
    bool save;
    QString title;
    QString folder;
  };

  void choose(const QString& path) { m_answers.push_back(path); }
  void cancel() { m_answers.push_back(std::nullopt); }

  bool ShowSave() override { return answer(true); }
  bool ShowOpen() override { return answer(false); }

  const std::vector<Shown>& shown() const { return m_shown; }
  std::size_t pending() const { return m_answers.size(); }

 private:
  bool answer(bool save);
  std::deque<std::optional<QString>> m_answers;
  std::vector<Shown> m_shown;
};

}  // namespace orv::test
