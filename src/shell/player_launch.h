#pragma once

#include <QString>

#include <memory>

class QAbstractButton;

namespace orv::platform {
class MessageBox;
class ProcessLauncher;
}  // namespace orv::platform

namespace orv::shell {

// The player button: starts the Orvo player on the saved document and waits for it, with the
// MIDI output given up meanwhile.
class PlayerLaunch {
 public:
  struct Document {
    const QString& FilePath;
    const qint16& Modified;
  };

  PlayerLaunch(QAbstractButton& Chk_Midi, platform::MessageBox& messages,
               platform::ProcessLauncher& launcher, const QString& PlayerPath, Document document);
  ~PlayerLaunch();
  PlayerLaunch(const PlayerLaunch&) = delete;
  PlayerLaunch& operator=(const PlayerLaunch&) = delete;

  // Runs nested event loops: other handlers, a second launch included, run inside it.
  void Cmd_Orvo_Click();

 private:
  QAbstractButton& m_chkMidi;
  platform::MessageBox& m_messages;
  platform::ProcessLauncher& m_launcher;
  const QString& m_playerPath;
  Document m_document;
  // False once this object is gone: a handler still waiting inside a nested loop must then not
  // touch it or the window's controls when its wait returns.
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace orv::shell
