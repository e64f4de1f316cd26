#pragma once

// Note entry: the naming systems and key captions, the pending token and chord mode, insertion
// of tokens and symbols at the caret, and the PC-keyboard mode.

#include <QString>

#include <array>
#include <bitset>
#include <functional>

#include "entry/pc_keyboard.h"
#include "entry/token_composer.h"

class QAbstractButton;
class QComboBox;
class QKeyEvent;
class QLabel;

namespace orv::platform {
class MessageBox;
class TextEdit;
}  // namespace orv::platform

namespace orv::entry {

// The window's controls that note entry reads and writes.
struct EntryControls {
  std::array<QAbstractButton*, 26> Opt_Scl{};
  std::array<QAbstractButton*, 8> Opt_Lng{};
  std::array<QAbstractButton*, 7> Opt_Sln{};
  std::array<QAbstractButton*, 2> Opt_Oct{};
  std::array<QAbstractButton*, 2> Cmd_Cod{};
  std::array<QAbstractButton*, 1> Cmd_Ltr{};
  std::array<QLabel*, 12> Lbl_Kbd{};
  QAbstractButton* Cmd_Tone = nullptr;
  QAbstractButton* Cmd_Ent = nullptr;
  QAbstractButton* Cmd_Tcl = nullptr;
  QAbstractButton* Chk_Ham = nullptr;
  QAbstractButton* Chk_Key = nullptr;
  QComboBox* Combo3 = nullptr;
  platform::TextEdit* TextEdit = nullptr;
};

class NoteEntry {
 public:
  // `noteOn` and `noteOff` sound a keyboard key index (0..24) on the MIDI output.
  NoteEntry(const EntryControls& controls, platform::MessageBox& messages,
            std::function<void(int)> noteOn, std::function<void(int)> noteOff);
  // The public state refers into the object itself.
  NoteEntry(const NoteEntry&) = delete;
  NoteEntry& operator=(const NoteEntry&) = delete;

  // Naming systems and captions.
  void FillNotationList();
  void ApplyNotation(int system);
  void Combo3_Click();

  // The pending token.
  void Opt_Scl_Click(int key);
  void Opt_Lng_Click(int index);
  void Opt_Sln_Click(int index);
  void ShowPendingToken();
  void Chk_Ham_Click();
  void Cmd_Tcl_Click();

  // Insertion.
  void InsertAtCaret(const QString& text);
  void Cmd_Ent_Click();
  void Cmd_Cod_Click(int index);
  void Cmd_Ltr_Click(int index);
  void Opt_Scl_DblClick(int key);
  void Opt_Lng_DblClick(int index);
  void Opt_Sln_DblClick(int index);
  void Opt_Oct_DblClick(int index);

  // PC-keyboard mode. Form_KeyDown returns true when the key was taken and must not reach the
  // focused control.
  void Chk_Key_Click();
  bool Form_KeyDown(const QKeyEvent& event);
  void Form_KeyUp(const QKeyEvent& event);
  // The window lost the keyboard: the releases of the keys still held will never come, so every
  // note a PC key still sounds is silenced.
  void ReleaseHeldKey();

  // A MIDI keyboard: a played note chooses its key as a click on it would, the pedal presses
  // Enter.
  void PlayedNote(int note);
  void PedalPressed();

  // Start-up: the pending token and its note name and length are emptied.
  void ClearForStartUp();

 private:
  TokenComposer m_composer;

 public:
  // The composer's state under the names the rest of the program reads.
  QString& NoteName = m_composer.NoteName;
  QString& LengthText = m_composer.LengthText;
  QString& SuffixText = m_composer.SuffixText;
  qint16& ChordMode = m_composer.ChordMode;
  std::array<QString, TokenComposer::kMaxChordKeys>& ChordKeys = m_composer.ChordKeys;
  int& ChordCount = m_composer.ChordCount;
  // Keyboard key index of the PC key held in Key mode, -1 when none.
  qint16 HeldKey = -1;

 private:
  void applyFocusRule();
  // Chooses a key as a click does, also the key already chosen (setting its value would not).
  void chooseAsClick(int key);

  EntryControls m_controls;
  platform::MessageBox& m_messages;
  std::function<void(int)> m_noteOn;
  std::function<void(int)> m_noteOff;
  // Keyboard key indices whose note a PC key switched on and no release has switched off yet.
  std::bitset<kPcKeyCount> m_sounding;
  // Keyboard key indices pressed in Key mode and not released since: a press of one of them is
  // a repeat, however the window system marks it.
  std::bitset<kPcKeyCount> m_down;
};

}  // namespace orv::entry
