#include "document/document_commands.h"

#include <QLabel>
#include <QWidget>

#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/text_edit.h"

namespace orv::document {

DocumentCommands::DocumentCommands(const DocumentControls& controls,
                                   platform::MessageBox& messages,
                                   platform::FileDialog& CommonDialog1,
                                   std::function<void()> switchMidiOff,
                                   std::function<void()> endProgram)
    : m_controls(controls),
      m_messages(messages),
      m_dialog(CommonDialog1),
      m_switchMidiOff(std::move(switchMidiOff)),
      m_endProgram(std::move(endProgram)) {}

void DocumentCommands::WriteDocumentFile() {}
void DocumentCommands::ReadDocumentFile(QString) {}
void DocumentCommands::SaveDocumentAs() {}
void DocumentCommands::QuerySaveChanges() {}
void DocumentCommands::mnuOpen_Click() {}
void DocumentCommands::mnuUpdate_Click() {}
void DocumentCommands::mnuCreateNewFile_Click() {}
void DocumentCommands::mnuEnd_Click() {}
void DocumentCommands::Form_Unload(qint16&) {}
void DocumentCommands::TextEdit_Change() {
  (void)m_messages;
  (void)m_dialog;
  (void)m_switchMidiOff;
  (void)m_endProgram;
}

void DocumentCommands::MarkNotModified(const QString& path) {
  Modified = 0;
  m_controls.Label2->setText(QStringLiteral("更新なし"));
  m_controls.window->setWindowTitle(TitleText + QStringLiteral(" ") + path);
}

}  // namespace orv::document
