#include "platform/text_edit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace orv::platform {

namespace {
constexpr QChar kParagraph = QChar::ParagraphSeparator;
constexpr QChar kLineSeparator = QChar::LineSeparator;
}  // namespace

TextEdit::TextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabChangesFocus(false);
  connect(document(), &QTextDocument::contentsChange, this, &TextEdit::onContentsChange);
}

QString TextEdit::toDocumentText(const QString& text) {
  // CR LF and a lone CR end a paragraph; a lone LF stays inside its line as a line separator.
  QString out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    if (c == u'\r') {
      out.append(u'\n');
      if (i + 1 < n && text.at(i + 1) == u'\n') ++i;
    } else if (c == u'\n') {
      out.append(kLineSeparator);
    } else if (c == kParagraph) {
      out.append(u'\n');
    } else {
      out.append(c);
    }
  }
  return out;
}

QString TextEdit::fromDocumentText(const QString& raw) {
  // Sized once and filled in place: this runs over the whole document on every save.
  qsizetype breaks = 0;
  for (const QChar c : raw) breaks += (c == kParagraph || c == u'\n') ? 1 : 0;
  QString out(raw.size() + breaks, Qt::Uninitialized);
  QChar* o = out.data();
  for (const QChar c : raw) {
    if (c == kParagraph || c == u'\n') {
      *o++ = u'\r';
      *o++ = u'\n';
    } else if (c == kLineSeparator) {
      *o++ = u'\n';
    } else {
      *o++ = c;
    }
  }
  return out;
}

QString TextEdit::Text() const {
  return fromDocumentText(document()->toRawText());
}

template <typename Edit>
void TextEdit::writeFromCode(Edit edit) {
  m_writing = true;
  m_changedWhileWriting = false;
  edit();
  m_writing = false;
  if (m_changedWhileWriting) Q_EMIT Change();
}

void TextEdit::setText(const QString& text) {
  writeFromCode([&] { setPlainText(toDocumentText(text)); });
}

void TextEdit::setSelText(const QString& text) {
  writeFromCode([&] {
    QTextCursor cursor = textCursor();
    cursor.insertText(toDocumentText(text));
    cursor.clearSelection();
    setTextCursor(cursor);
  });
}

bool TextEdit::isEmpty() const {
  return document()->isEmpty();
}

void TextEdit::SetFocus() {
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::OtherFocusReason);
}

void TextEdit::setAcceptsFocus(bool accepts) {
  setFocusPolicy(accepts ? Qt::StrongFocus : Qt::NoFocus);
  if (!accepts && hasFocus()) clearFocus();
}

bool TextEdit::acceptsFocus() const {
  return focusPolicy() != Qt::NoFocus;
}

void TextEdit::setBackground(Background background) {
  QPalette p = palette();
  const QColor colour = background == Background::Window
                            ? QApplication::palette().color(QPalette::Base)
                            : QApplication::palette("QMenu").color(QPalette::Window);
  p.setColor(QPalette::Base, colour);
  setPalette(p);
}

void TextEdit::keyPressEvent(QKeyEvent* event) {
  // Shift+Return would insert a line separator, which the file keeps as a lone LF; a line break
  // typed by the user is always a CR LF.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & Qt::ShiftModifier)) {
    QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                    event->text(), event->isAutoRepeat(), event->count());
    QPlainTextEdit::keyPressEvent(&plain);
    event->setAccepted(plain.isAccepted());
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TextEdit::inputMethodEvent(QInputMethodEvent* event) {
  // A composition in progress is only shown in the layout, yet the document reports it as a
  // change; only text that is committed, replaced or removed changes the document.
  const int before = document()->characterCount();
  m_writing = true;
  m_changedWhileWriting = false;
  QPlainTextEdit::inputMethodEvent(event);
  m_writing = false;
  const bool edited = !event->commitString().isEmpty() || event->replacementLength() != 0 ||
                      document()->characterCount() != before;
  if (m_changedWhileWriting && edited) Q_EMIT Change();
}

void TextEdit::onContentsChange(int, int removed, int added) {
  if (removed == 0 && added == 0) return;
  if (m_writing) {
    m_changedWhileWriting = true;
  } else {
    Q_EMIT Change();
  }
}

}  // namespace orv::platform
