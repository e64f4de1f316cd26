// The whole start-up (lists, INI file, a 1 MB document named on the command line) against a bare
// window that reads the same file into one text control.
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "platform/cp932.h"
#include "platform/profile_ini_reader.h"
#include "platform/unavailable_services.h"
#include "shell/form1.h"
#include "support/quiet_services.h"
#include "support/ratio.h"

namespace {

using orv::bench::NoDialog;
using orv::bench::SilentMessages;

// A program folder with the INI file and a 1 MB score in code page 932, made once.
struct Files {
  QTemporaryDir folder;
  QString document;

  Files() {
    QFile ini(folder.filePath(QStringLiteral("orvfiler.ini")));
    if (ini.open(QIODevice::WriteOnly)) {
      ini.write("[OrvFiler]\r\nOrvo=/usr/bin/true\r\nLastpath=" + QFile::encodeName(folder.path()) +
                "\r\n");
    }
    const QByteArray line =
        orv::platform::cp932::encode(QStringLiteral("d4 r8. m16 f+4 ┃ [dms]2 <c4> ～ 楽譜の行\r\n"))
            .bytes;
    QByteArray score;
    while (score.size() < (1 << 20)) score += line;
    document = folder.filePath(QStringLiteral("曲 1.orv"));
    QFile file(document);
    if (file.open(QIODevice::WriteOnly)) file.write(score);
  }
};

Files& files() {
  static Files f;
  return f;
}

const bool kTarget = orv::bench::setTarget("StartUp", 1.3);

void StartUp_baseline(benchmark::State& state) {
  const QString document = files().document;
  for (auto _ : state) {
    QMainWindow window;
    auto* edit = new QPlainTextEdit(&window);
    window.setCentralWidget(edit);
    window.resize(555, 510);
    QFile file(document);
    if (file.open(QIODevice::ReadOnly)) {
      edit->setPlainText(orv::platform::cp932::decode(file.readAll()).text);
    }
    window.show();
    QCoreApplication::processEvents();
  }
}

void StartUp_editor(benchmark::State& state) {
  SilentMessages messages;
  NoDialog dialog;
  orv::platform::UnavailableMidiService midi;
  orv::platform::UnavailableProcessLauncher launcher;
  orv::platform::ProfileIniReader ini;
  const QString folder = files().folder.path();
  const QStringList arguments{files().document};
  for (auto _ : state) {
    orv::shell::Form1 form(orv::shell::Services{messages, dialog, midi, launcher, ini},
                           orv::shell::StartupContext{folder, arguments, [] {}});
    form.show();
    QCoreApplication::processEvents();
  }
}

BENCHMARK(StartUp_baseline)->Name("StartUp/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(StartUp_editor)->Name("StartUp/editor")->Unit(benchmark::kMillisecond);

}  // namespace
