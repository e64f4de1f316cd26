#include "document/document_commands.h"

#include <QLabel>
#include <QTextDocument>
#include <QWidget>

#include <algorithm>

#include "document/orvo_file.h"
#include "platform/control_value.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/text_edit.h"

namespace orv::document {

DocumentCommands::DocumentCommands(const DocumentControls& controls, platform::MessageBox& messages,
                                   platform::FileDialog& CommonDialog1,
                                   std::function<void()> switchMidiOff,
                                   std::function<void()> endProgram)
    : m_controls(controls),
      m_messages(messages),
      m_dialog(CommonDialog1),
      m_switchMidiOff(std::move(switchMidiOff)),
      m_endProgram(std::move(endProgram)) {}

namespace {

const QString kUntitled = QStringLiteral("(無題)");
const QString kNotSaved = QStringLiteral("保存していません");

QString codePointText(char32_t codePoint) {
  return QStringLiteral("U+") +
         QString::number(static_cast<uint>(codePoint), 16).toUpper().rightJustified(4, u'0');
}

}  // namespace

void DocumentCommands::WriteDocumentFile() {
  m_writeFailed = true;
  // The control's own form of the text, turned into CR LF text a piece at a time while it is
  // written: a large score is never copied whole a second time.
  const QString raw = m_controls.TextEdit->document()->toRawText();
  const WriteResult result =
      writeDocumentFile(FilePath, piecesOf(raw, [](QStringView piece) {
                          return platform::TextEdit::fromDocumentText(piece.toString());
                        }));
  switch (result.status) {
    case WriteResult::Status::Written:
      m_writeFailed = false;
      SaveAnswer = 0;
      return;
    case WriteResult::Status::Unencodable: {
      const Unencodable u = locate(m_controls.TextEdit->Text(), result.unencodableIndex);
      m_messages.show(QStringLiteral("Shift_JIS で保存できない文字があります（") +
                      QString::number(u.line) + QStringLiteral("行 ") + QString::number(u.column) +
                      QStringLiteral("文字目: ") + codePointText(u.codePoint) +
                      QStringLiteral("）。保存していません"));
      break;
    }
    case WriteResult::Status::WriteFailed:
      m_messages.show(QStringLiteral("ファイルを保存できませんでした。") + u'\n' + FilePath +
                      u'\n' + result.reason);
      break;
  }
  // 2 tells the callers that nothing was saved, so the document stays modified.
  SaveAnswer = 2;
}

DocumentCommands::ReadOutcome DocumentCommands::ReadDocumentFile(QString path) {
  return load(path, readDocumentFile(path));
}

DocumentCommands::ReadOutcome DocumentCommands::load(const QString& path,
                                                     const ReadResult& result) {
  switch (result.status) {
    case ReadResult::Status::Missing:
      m_messages.show(QStringLiteral("ファイルが存在しません"));
      return ReadOutcome::Missing;
    case ReadResult::Status::Refused:
      m_messages.show(QStringLiteral("ファイルを読み込めませんでした。") + u'\n' + path + u'\n' +
                      result.reason);
      return ReadOutcome::Refused;
    case ReadResult::Status::Read:
      break;
  }
  // Raises Change, which marks a non-empty text modified; the next line takes that back.
  m_controls.TextEdit->setText(result.document.text);
  MarkNotModified(path);
  if (result.document.invalidByteLine) {
    m_messages.show(QStringLiteral("Shift_JIS として読めないバイトがあります（") +
                    QString::number(*result.document.invalidByteLine) +
                    QStringLiteral("行目）。その部分は � で表示しています。"));
  }
  return ReadOutcome::Loaded;
}

void DocumentCommands::SaveDocumentAs() {
  if (!LastFolder.isEmpty()) m_dialog.InitDir = LastFolder;
  m_dialog.DialogTitle = QStringLiteral("Orvoファイルの保存");
  if (!m_dialog.ShowSave()) {
    m_messages.show(kNotSaved);
    SaveAnswer = 2;
    return;
  }
  const QString previousPath = FilePath;
  FilePath = m_dialog.FileName;
  m_controls.Label1->setText(FilePath);
  LastFolder = m_dialog.InitDir;
  if (FilePath.isEmpty()) {
    m_messages.show(kNotSaved);
    SaveAnswer = 2;
    return;
  }
  WriteDocumentFile();
  if (SaveAnswer == 2) {
    // Nothing was written there: the document still belongs to the file it came from.
    FilePath = previousPath;
    m_controls.Label1->setText(FilePath);
  }
}

void DocumentCommands::showSavePrompt() {
  FileTitle = FilePath.isEmpty() ? kUntitled : FilePath;
  SaveAnswer = static_cast<qint16>(
      m_messages.show(FileTitle + QStringLiteral("は更新されています。保存しますか？"),
                      platform::MessageBox::kYesNoCancelWarning, QStringLiteral("Orvo Editor")));
}

void DocumentCommands::QuerySaveChanges() {
  SaveAnswer = 0;
  FileTitle = FilePath.isEmpty() ? kUntitled : FilePath;
  if (Modified != 1) return;
  showSavePrompt();
  if (SaveAnswer == platform::MessageBox::kYes) mnuUpdate_Click();
}

void DocumentCommands::mnuOpen_Click() {
  if (Modified == 1) {
    showSavePrompt();
    if (SaveAnswer == platform::MessageBox::kCancel) return;
    if (SaveAnswer == platform::MessageBox::kYes) {
      m_writeFailed = false;
      mnuUpdate_Click();
      // The user wanted this text kept and was just told it could not be written: opening
      // another file now would throw it away. A Save dialog the user cancelled lets Open go on.
      if (m_writeFailed) return;
    }
  }
  if (!LastFolder.isEmpty()) m_dialog.InitDir = LastFolder;
  m_dialog.DialogTitle = QStringLiteral("Orvoファイルを開く");
  if (!m_dialog.ShowOpen()) {
    m_messages.show(QStringLiteral("読み込みを中止しました"));
    SaveAnswer = 2;
    return;
  }
  const QString chosen = m_dialog.FileName;
  LastFolder = m_dialog.InitDir;
  const ReadResult result = readDocumentFile(chosen);
  // A file that exists but was not read never becomes the document's file, so a later Save
  // cannot replace it with the text on screen.
  if (result.status == ReadResult::Status::Refused) {
    load(chosen, result);
    return;
  }
  if (SaveAnswer != 2) MarkNotModified(FilePath);
  FilePath = chosen;
  m_controls.Label1->setText(FilePath);
  load(FilePath, result);
}

void DocumentCommands::mnuUpdate_Click() {
  if (!FilePath.isEmpty()) {
    WriteDocumentFile();
  } else {
    SaveDocumentAs();
  }
  if (SaveAnswer != 2) MarkNotModified(FilePath);
}

void DocumentCommands::mnuCreateNewFile_Click() {
  SaveDocumentAs();
  if (SaveAnswer != 2) MarkNotModified(FilePath);
}

void DocumentCommands::mnuEnd_Click() {
  QuerySaveChanges();
  if (SaveAnswer != 2) m_endProgram();
}

void DocumentCommands::Form_Unload(qint16& Cancel) {
  QuerySaveChanges();
  if (SaveAnswer == 2) {
    Cancel = -1;
    return;
  }
  m_switchMidiOff();
}

void DocumentCommands::TextEdit_Change() {
  // Only emptiness matters here; reading the whole text would cost a copy per keystroke.
  if (m_controls.TextEdit->isEmpty()) return;
  Modified = 1;
  m_controls.Label2->setText(QStringLiteral("更新あり"));
  platform::setCaption(*m_controls.window, TitleText + u' ' + FilePath + QStringLiteral("(更新)"));
}

void DocumentCommands::MarkNotModified(const QString& path) {
  Modified = 0;
  m_controls.Label2->setText(QStringLiteral("更新なし"));
  platform::setCaption(*m_controls.window, TitleText + QStringLiteral(" ") + path);
}

}  // namespace orv::document
