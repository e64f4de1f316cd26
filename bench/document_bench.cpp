// Reading, writing and typing into a 10 MB score, each against the bare toolkit and codec doing
// the same work.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

#include "document/document_commands.h"
#include "platform/cp932.h"
#include "platform/text_edit.h"
#include "support/quiet_services.h"
#include "support/ratio.h"

namespace {

using orv::document::DocumentCommands;
using orv::platform::TextEdit;

using orv::bench::NoDialog;
using orv::bench::SilentMessages;

// About 10 MB of score in code page 932: note lines, bar lines, chords and Japanese remarks.
const QString& scoreText() {
  static const QString text = [] {
    const QString lines[] = {
        QStringLiteral("# 第%1小節 ── 右手の旋律、少し速く"),
        QStringLiteral("t120 o4 l8 d4.r8m8 f4 s4 ┃ l4 c8 >d8< c4 l4 ┃ s2. r4 ┃"),
        QStringLiteral("[dms]4 [rfl]4 [msd]2 ┃ 和音 [d+f+l+]8 [r+s+c]8 r4 ┃ %1"),
        QStringLiteral("o3 l16 d r m f s l c >d< c l s f m r d r ┃ ｄ～ｓ①② ┃"),
        QStringLiteral("; 左手: 伴奏 ﾊﾟｰﾄ %1 回目 ＃ ＿ ・"),
        QStringLiteral("m4^ m8~ f4' s4/ l2i ┃ r1 ┃"),
    };
    QString out;
    int bytes = 0;
    for (int bar = 1; bytes < 10 * 1024 * 1024; ++bar) {
      for (const QString& line : lines) {
        const QString filled = line.contains(QStringLiteral("%1")) ? line.arg(bar) : line;
        out += filled;
        out += QStringLiteral("\r\n");
        bytes += static_cast<int>(orv::platform::cp932::encode(filled).bytes.size()) + 2;
      }
    }
    out.chop(2);
    return out;
  }();
  return text;
}

const QByteArray& scoreBytes() {
  static const QByteArray bytes = orv::platform::cp932::encode(scoreText()).bytes + "\r\n";
  return bytes;
}

// A window with the editor's text control and the document commands that watch it.
struct Editor {
  Editor() {
    window.resize(800, 600);
    edit = new TextEdit(&window);
    edit->resize(780, 500);
    label1 = new QLabel(&window);
    label2 = new QLabel(&window);
    label1->hide();
    label2->hide();
    commands = std::make_unique<DocumentCommands>(
        orv::document::DocumentControls{edit, label1, label2, &window}, messages, dialog, [] {},
        [] {});
    commands->TitleText = QStringLiteral("Orvo Editor Ver0.20β");
    QObject::connect(edit, &TextEdit::Change, [this] { commands->TextEdit_Change(); });
    window.show();
    QCoreApplication::processEvents();
  }
  SilentMessages messages;
  NoDialog dialog;
  QWidget window;
  TextEdit* edit;
  QLabel* label1;
  QLabel* label2;
  std::unique_ptr<DocumentCommands> commands;
};

// The bare control is set up as the editor's is (no line wrapping), so that a pair measures what
// the editor adds and not the cost of another layout mode.
struct Bare {
  Bare() {
    window.resize(800, 600);
    edit = new QPlainTextEdit(&window);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->resize(780, 500);
    window.show();
    QCoreApplication::processEvents();
  }
  QWidget window;
  QPlainTextEdit* edit;
};

void typeOneKey(QWidget* target) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  QApplication::sendEvent(target, &press);
  QApplication::sendEvent(target, &release);
  QCoreApplication::processEvents();
}

const bool kTargets =
    orv::bench::setTarget("ReadScore", 1.5) && orv::bench::setTarget("WriteScore", 1.5) &&
    orv::bench::setTarget("WriteFromControl", 1.5) && orv::bench::setTarget("TypeAtEnd", 1.2);

void ReadScore_baseline(benchmark::State& state) {
  Bare bare;
  for (auto _ : state) {
    // The control would make a CR and an LF two line breaks; one pass makes each CR LF one.
    QString text = orv::platform::cp932::decode(scoreBytes()).text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    bare.edit->setPlainText(text);
    QCoreApplication::processEvents();
  }
}

void ReadScore_editor(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("score.orv"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(scoreBytes()) != scoreBytes().size()) {
    state.SkipWithError("cannot write the score");
    return;
  }
  file.close();
  Editor editor;
  for (auto _ : state) {
    editor.commands->ReadDocumentFile(path);
    QCoreApplication::processEvents();
  }
}

// The plain way to save: encode the whole text, write it and the final line end in one go.
void encodeAndWrite(benchmark::State& state, const QString& path, const QString& text) {
  const QByteArray bytes = orv::platform::cp932::encode(text).bytes;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) state.SkipWithError("open");
  file.write(bytes);
  file.write("\r\n", 2);
}

void WriteScore_baseline(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("score.orv"));
  const QString& text = scoreText();
  for (auto _ : state) encodeAndWrite(state, path, text);
}

// Any program keeping the score in a QPlainTextEdit must first take the text out of it, which for
// a large score costs more than encoding and writing it; this baseline does that too, with the
// cheapest call the bare control offers.
void WriteFromControl_baseline(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("score.orv"));
  Bare bare;
  bare.edit->setPlainText(scoreText());
  for (auto _ : state) encodeAndWrite(state, path, bare.edit->toPlainText());
}

void WriteScore_editor(benchmark::State& state) {
  QTemporaryDir dir;
  Editor editor;
  editor.edit->setText(scoreText());
  editor.commands->FilePath = dir.filePath(QStringLiteral("score.orv"));
  for (auto _ : state) {
    editor.commands->WriteDocumentFile();
    if (editor.commands->SaveAnswer != 0) state.SkipWithError("not written");
  }
}

void TypeAtEnd_baseline(benchmark::State& state) {
  Bare bare;
  bare.edit->setPlainText(scoreText());
  bare.edit->moveCursor(QTextCursor::End);
  QCoreApplication::processEvents();
  for (auto _ : state) typeOneKey(bare.edit);
}

void TypeAtEnd_editor(benchmark::State& state) {
  Editor editor;
  editor.edit->setText(scoreText());
  editor.edit->moveCursor(QTextCursor::End);
  QCoreApplication::processEvents();
  for (auto _ : state) typeOneKey(editor.edit);
  if (editor.commands->Modified != 1) state.SkipWithError("typing did not mark the document");
}

BENCHMARK(ReadScore_baseline)
    ->Name("ReadScore/baseline")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(ReadScore_editor)->Name("ReadScore/editor")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WriteScore_baseline)->Name("WriteScore/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(WriteScore_editor)->Name("WriteScore/editor")->Unit(benchmark::kMillisecond);
BENCHMARK(WriteFromControl_baseline)
    ->Name("WriteFromControl/baseline")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WriteScore_editor)->Name("WriteFromControl/editor")->Unit(benchmark::kMillisecond);
BENCHMARK(TypeAtEnd_baseline)
    ->Name("TypeAtEnd/baseline")
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(3.0);
BENCHMARK(TypeAtEnd_editor)->Name("TypeAtEnd/editor")->Unit(benchmark::kMicrosecond)->MinTime(3.0);

}  // namespace
