#include "shell/player_launch.h"

#include "platform/message_box.h"
#include "platform/process_launcher.h"

namespace orv::shell {

PlayerLaunch::PlayerLaunch(QAbstractButton& Chk_Midi, platform::MessageBox& messages,
                           platform::ProcessLauncher& launcher, const QString& PlayerPath,
                           Document document)
    : m_chkMidi(Chk_Midi),
      m_messages(messages),
      m_launcher(launcher),
      m_playerPath(PlayerPath),
      m_document(document) {}

void PlayerLaunch::Cmd_Orvo_Click() {
  (void)m_chkMidi;
  (void)m_messages;
  (void)m_launcher;
  (void)m_playerPath;
  (void)m_document;
}

}  // namespace orv::shell
