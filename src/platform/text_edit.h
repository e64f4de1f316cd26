#pragma once

#include <QPlainTextEdit>

namespace orv::platform {

// The document's text control. Outside, line breaks are CR LF; a lone LF is an ordinary character
// of a line and survives a round trip (it is held as a line separator inside the paragraph).
// Change is emitted synchronously: once inside every write from code that altered the text, and
// once for every edit of the user.
class TextEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  enum class Background { Window, Menu };

  explicit TextEdit(QWidget* parent = nullptr);

  QString Text() const;
  void setText(const QString& text);
  // Replaces the selection (or inserts at the caret); the caret ends right after the new text.
  void setSelText(const QString& text);
  // Cheap: does not copy the document.
  bool isEmpty() const;

  void SetFocus();
  // While false the control takes no keyboard focus (it gives it up if it has it) but still
  // accepts text written by code at its caret.
  void setAcceptsFocus(bool accepts);
  bool acceptsFocus() const;

  void setBackground(Background background);

  // Conversions between the CR LF text and the document's own paragraph form.
  static QString toDocumentText(const QString& text);
  static QString fromDocumentText(const QString& raw);

 Q_SIGNALS:
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  template <typename Edit>
  void writeFromCode(Edit edit);
  void onContentsChange(int position, int removed, int added);

  bool m_writing = false;
  bool m_changedWhileWriting = false;
};

}  // namespace orv::platform
