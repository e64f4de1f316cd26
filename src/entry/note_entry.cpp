#include "entry/note_entry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

#include "platform/message_box.h"
#include "platform/text_edit.h"

namespace orv::entry {

NoteEntry::NoteEntry(const EntryControls& controls, platform::MessageBox& messages,
                     std::function<void(int)> noteOn, std::function<void(int)> noteOff)
    : m_controls(controls),
      m_messages(messages),
      m_noteOn(std::move(noteOn)),
      m_noteOff(std::move(noteOff)) {}

void NoteEntry::FillNotationList() {}
void NoteEntry::ApplyNotation(int) {}
void NoteEntry::Combo3_Click() {}
void NoteEntry::Opt_Scl_Click(int) {}
void NoteEntry::Opt_Lng_Click(int) {}
void NoteEntry::Opt_Sln_Click(int) {}
void NoteEntry::ShowPendingToken() {}
void NoteEntry::Chk_Ham_Click() {}
void NoteEntry::Cmd_Tcl_Click() {}
void NoteEntry::InsertAtCaret(const QString&) {}
void NoteEntry::Cmd_Ent_Click() {}
void NoteEntry::Cmd_Cod_Click(int) {}
void NoteEntry::Cmd_Ltr_Click(int) {}
void NoteEntry::Opt_Scl_DblClick(int) {}
void NoteEntry::Opt_Lng_DblClick(int) {}
void NoteEntry::Opt_Sln_DblClick(int) {}
void NoteEntry::Opt_Oct_DblClick(int) {}
void NoteEntry::Chk_Key_Click() {}
bool NoteEntry::Form_KeyDown(const QKeyEvent&) { return false; }
void NoteEntry::Form_KeyUp(const QKeyEvent&) {}
void NoteEntry::ReleaseHeldKey() {
  (void)m_messages;
  m_noteOff(0);
}

void NoteEntry::ClearForStartUp() {
  m_controls.Cmd_Tone->setText(QString());
  NoteName.clear();
  LengthText.clear();
}

}  // namespace orv::entry
