#pragma once

#include <QString>

#include <functional>

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

  void Cmd_Orvo_Click();

 private:
  QAbstractButton& m_chkMidi;
  platform::MessageBox& m_messages;
  platform::ProcessLauncher& m_launcher;
  const QString& m_playerPath;
  Document m_document;
};

}  // namespace orv::shell
