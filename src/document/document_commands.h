#pragma once

// Documents: the Orvo file in code page 932, reading and writing it, the file commands, the save
// prompt and the modified state shown in the window caption.

#include <QString>

#include "document/orvo_file.h"

#include <functional>

class QLabel;
class QWidget;

namespace orv::platform {
class FileDialog;
class MessageBox;
class TextEdit;
}  // namespace orv::platform

namespace orv::document {

struct DocumentControls {
  platform::TextEdit* TextEdit = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QWidget* window = nullptr;  // its title is the window caption
};

class DocumentCommands {
 public:
  // `switchMidiOff` resets and closes the MIDI output; `endProgram` ends the program at once.
  DocumentCommands(const DocumentControls& controls, platform::MessageBox& messages,
                   platform::FileDialog& CommonDialog1, std::function<void()> switchMidiOff,
                   std::function<void()> endProgram);

  void WriteDocumentFile();
  enum class ReadOutcome { Loaded, Missing, Refused };
  // Missing and Refused have told the user why; the document is then as it was.
  ReadOutcome ReadDocumentFile(QString path);
  void SaveDocumentAs();
  void QuerySaveChanges();

  void mnuOpen_Click();
  void mnuUpdate_Click();
  void mnuCreateNewFile_Click();
  void mnuEnd_Click();
  // Setting `Cancel` to -1 keeps the window open.
  void Form_Unload(qint16& Cancel);
  void TextEdit_Change();

  // Shows the document as not modified with `path` in the caption.
  void MarkNotModified(const QString& path);

  QString FilePath;
  qint16 Modified = 0;
  qint16 SaveAnswer = 0;
  QString FileTitle;
  QString LastFolder;
  QString TitleText;

 private:
  // Works out FileTitle, asks, and leaves the answer (6, 7 or 2) in SaveAnswer.
  void showSavePrompt();
  ReadOutcome load(const QString& path, const ReadResult& result);

  // Set by WriteDocumentFile: the last write was tried and failed (the user has been told).
  bool m_writeFailed = false;

  DocumentControls m_controls;
  platform::MessageBox& m_messages;
  platform::FileDialog& m_dialog;
  std::function<void()> m_switchMidiOff;
  std::function<void()> m_endProgram;
};

}  // namespace orv::document
