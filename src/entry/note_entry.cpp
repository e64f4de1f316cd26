#include "entry/note_entry.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

#include "entry/naming_systems.h"
#include "entry/pc_keyboard.h"
#include "platform/control_value.h"
#include "platform/message_box.h"
#include "platform/text_edit.h"
#include "platform/window_system.h"

namespace orv::entry {

NoteEntry::NoteEntry(const EntryControls& controls, platform::MessageBox& messages,
                     std::function<void(int)> noteOn, std::function<void(int)> noteOff)
    : m_controls(controls),
      m_messages(messages),
      m_noteOn(std::move(noteOn)),
      m_noteOff(std::move(noteOff)) {}

void NoteEntry::FillNotationList() {
  m_controls.Combo3->addItems(notationListEntries());
  platform::setListIndex(*m_controls.Combo3, 0);
  ApplyNotation(0);
}

void NoteEntry::ApplyNotation(int system) {
  for (int k = 0; k < kChromaticKeyCount; ++k) {
    m_controls.Opt_Scl[static_cast<std::size_t>(k)]->setText(keyCaption(system, k));
  }
}

void NoteEntry::Combo3_Click() {
  const int system = m_controls.Combo3->currentIndex();
  if (system < 0 || system >= kNamingSystemCount) return;
  ApplyNotation(system);
}

void NoteEntry::Opt_Scl_Click(int key) {
  const QString caption = m_controls.Opt_Scl[static_cast<std::size_t>(key)]->text();
  if (m_composer.chooseKey(key, caption) == TokenComposer::KeyOutcome::ChordFull) {
    m_messages.show(QStringLiteral("和音は５つ迄です。"), platform::MessageBox::kOkOnly,
                    platform::kApplicationTitle);
  }
  ShowPendingToken();
  applyFocusRule();
}

void NoteEntry::Opt_Lng_Click(int index) {
  m_composer.chooseLength(m_controls.Opt_Lng[static_cast<std::size_t>(index)]->text());
  ShowPendingToken();
  applyFocusRule();
}

void NoteEntry::Opt_Sln_Click(int index) {
  m_composer.chooseSuffix(m_controls.Opt_Sln[static_cast<std::size_t>(index)]->text());
  ShowPendingToken();
  applyFocusRule();
}

void NoteEntry::ShowPendingToken() {
  m_controls.Cmd_Tone->setText(m_composer.pendingToken());
}

void NoteEntry::Chk_Ham_Click() {
  m_composer.ChordMode = platform::value(*m_controls.Chk_Ham) == 1 ? 1 : 0;
  platform::setValue(*m_controls.Cmd_Tcl, true);
}

void NoteEntry::Cmd_Tcl_Click() {
  m_controls.Cmd_Tone->setText(QString());
  m_composer.clear();
}

void NoteEntry::applyFocusRule() {
  if (platform::value(*m_controls.Chk_Key) == 0) m_controls.TextEdit->SetFocus();
}

void NoteEntry::InsertAtCaret(const QString& text) {
  m_controls.TextEdit->setSelText(text);
  applyFocusRule();
}

void NoteEntry::Cmd_Ent_Click() {
  InsertAtCaret(m_controls.Cmd_Tone->text());
}

void NoteEntry::Cmd_Cod_Click(int index) {
  // Index 1 is the hidden Undo button, which does nothing.
  if (index == 0) InsertAtCaret(QStringLiteral("\r\n"));
}

void NoteEntry::Cmd_Ltr_Click(int index) {
  InsertAtCaret(m_controls.Cmd_Ltr[static_cast<std::size_t>(index)]->text());
}

void NoteEntry::Opt_Scl_DblClick(int key) {
  InsertAtCaret(m_controls.Opt_Scl[static_cast<std::size_t>(key)]->text());
}

void NoteEntry::Opt_Lng_DblClick(int index) {
  InsertAtCaret(m_controls.Opt_Lng[static_cast<std::size_t>(index)]->text());
}

void NoteEntry::Opt_Sln_DblClick(int index) {
  InsertAtCaret(m_controls.Opt_Sln[static_cast<std::size_t>(index)]->text());
}

void NoteEntry::Opt_Oct_DblClick(int index) {
  InsertAtCaret(m_controls.Opt_Oct[static_cast<std::size_t>(index)]->text());
}

void NoteEntry::Chk_Key_Click() {
  platform::TextEdit& text = *m_controls.TextEdit;
  if (platform::value(*m_controls.Chk_Key) == 0) {
    text.setAcceptsFocus(true);
    text.SetFocus();
    text.setBackground(platform::TextEdit::Background::Window);
    for (QLabel* label : m_controls.Lbl_Kbd) label->hide();
  } else {
    text.setBackground(platform::TextEdit::Background::Menu);
    text.setAcceptsFocus(false);
    for (QLabel* label : m_controls.Lbl_Kbd) label->show();
  }
}

bool NoteEntry::Form_KeyDown(const QKeyEvent& event) {
  if (platform::value(*m_controls.Chk_Key) != 1) return false;
  const std::optional<int> found =
      pcKeyIndex(platform::physicalKeyCode(event.nativeScanCode()), event.key());
  if (!found) return false;
  const int key = *found;
  const auto bit = static_cast<std::size_t>(key);
  // A repeat of a key held down: marked by the toolkit, or unmarked where the window system sends
  // repeated presses alone. It neither strikes nor composes again, not even after another key's
  // release or a Shift release has cleared HeldKey: one press, one strike.
  const bool fresh = key != HeldKey && !event.isAutoRepeat() && !m_down.test(bit);
  if (fresh) {
    m_noteOn(key);
    m_sounding.set(bit);
  }
  m_down.set(bit);
  HeldKey = static_cast<qint16>(key);
  if (fresh) {
    chooseAsClick(key);
  } else {
    platform::setValue(*m_controls.Opt_Scl[static_cast<std::size_t>(key)], true);
  }
  m_controls.Cmd_Ent->setFocus(Qt::OtherFocusReason);
  return true;
}

void NoteEntry::Form_KeyUp(const QKeyEvent& event) {
  // X11 and the toolkit's Wayland plugin repeat a held key as release and press pairs; only the
  // last, unmarked release is real.
  if (event.isAutoRepeat()) return;
  const std::optional<int> found =
      pcKeyReleaseIndex(platform::physicalKeyCode(event.nativeScanCode()), event.key());
  if (!found) return;
  m_noteOff(*found);
  m_sounding.reset(static_cast<std::size_t>(*found));
  if (event.key() != Qt::Key_Shift) m_down.reset(static_cast<std::size_t>(*found));
  HeldKey = -1;
}

void NoteEntry::ReleaseHeldKey() {
  for (std::size_t key = 0; key < m_sounding.size(); ++key) {
    if (m_sounding.test(key)) m_noteOff(static_cast<int>(key));
  }
  m_sounding.reset();
  m_down.reset();
  HeldKey = -1;
}

void NoteEntry::chooseAsClick(int key) {
  QAbstractButton& onScreen = *m_controls.Opt_Scl[static_cast<std::size_t>(key)];
  if (onScreen.isChecked()) {
    // Setting the value it already has would run nothing, and after Clear the chosen key would
    // give no note.
    Opt_Scl_Click(key);
  } else {
    platform::setValue(onScreen, true);
  }
}

void NoteEntry::PlayedNote(int note) {
  chooseAsClick(keyOfPlayedNote(note));
}

void NoteEntry::PedalPressed() {
  platform::setValue(*m_controls.Cmd_Ent, true);
}

void NoteEntry::ClearForStartUp() {
  m_controls.Cmd_Tone->setText(QString());
  NoteName.clear();
  LengthText.clear();
}

}  // namespace orv::entry
