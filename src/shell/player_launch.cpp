#include "shell/player_launch.h"

#include <QAbstractButton>

#include "platform/control_value.h"
#include "platform/message_box.h"
#include "platform/process_launcher.h"
#include "shell/player_command_line.h"

namespace orv::shell {

PlayerLaunch::PlayerLaunch(QAbstractButton& Chk_Midi, platform::MessageBox& messages,
                           platform::ProcessLauncher& launcher, const QString& PlayerPath,
                           Document document)
    : m_chkMidi(Chk_Midi),
      m_messages(messages),
      m_launcher(launcher),
      m_playerPath(PlayerPath),
      m_document(document) {}

PlayerLaunch::~PlayerLaunch() {
  *m_alive = false;
}

void PlayerLaunch::Cmd_Orvo_Click() {
  const std::shared_ptr<bool> alive = m_alive;
  auto tell = [this](const QString& text) {
    m_messages.show(text, platform::MessageBox::kOkOnly, platform::kApplicationTitle);
  };

  // Only this run's own unticking is undone at its end; a nested run finds MIDI already off.
  bool MidiWasOn = false;
  if (platform::value(m_chkMidi) == 1) {
    platform::setValue(m_chkMidi, false);
    MidiWasOn = true;
  }
  if (m_document.Modified == 1) {
    tell(QStringLiteral("ファイルを保存してください"));
    return;
  }
  if (m_document.FilePath.isEmpty()) {
    tell(QStringLiteral("ファイルを保存or読込してください"));
    return;
  }

  // The player gets exactly the paths the user is shown, whatever happens while the box is open.
  const QString player = m_playerPath;
  const QString document = m_document.FilePath;
  tell(playerCommandLine(player, document));
  if (!*alive) return;

  const platform::ProcessLauncher::Started started =
      m_launcher.start(player, {document, kPlayerOptions});
  if (!started.id) {
    tell(QStringLiteral("Orvo起動に失敗しました。\nパスを確認してください。"));
    return;
  }
  const bool ended = m_launcher.waitForEnd(*started.id, &m_chkMidi);
  // When the wait was given up the program is ending: MIDI stays closed.
  if (!*alive || !ended) return;
  if (MidiWasOn) platform::setValue(m_chkMidi, true);
}

}  // namespace orv::shell
