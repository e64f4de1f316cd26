// Constructing and showing the main window against a bare window holding one text control.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/unavailable_services.h"
#include "shell/form1.h"
#include "support/quiet_services.h"
#include "support/ratio.h"

namespace {

using orv::bench::NoDialog;
using orv::bench::SilentMessages;

class PlayerIni final : public orv::platform::IniReader {
 public:
  QString readString(const QString&, const QString&, const QString& key,
                     const QString& def) override {
    return key == QStringLiteral("Orvo") ? QStringLiteral("/usr/bin/true") : def;
  }
};

const bool kTarget = orv::bench::setTarget("ShowWindow", 1.3);
const bool kControlsTarget = orv::bench::setTarget("ShowWindowControls", 1.3);

void ShowWindow_baseline(benchmark::State& state) {
  for (auto _ : state) {
    QMainWindow window;
    auto* edit = new QPlainTextEdit(&window);
    window.setCentralWidget(edit);
    window.resize(555, 510);
    window.show();
    QCoreApplication::processEvents();
  }
}

void ShowWindow_editor(benchmark::State& state) {
  SilentMessages messages;
  NoDialog dialog;
  orv::platform::UnavailableMidiService midi;
  orv::platform::UnavailableProcessLauncher launcher;
  PlayerIni ini;
  for (auto _ : state) {
    orv::shell::Form1 form(orv::shell::Services{messages, dialog, midi, launcher, ini},
                           orv::shell::StartupContext{QString(), {}, [] {}});
    form.show();
    QCoreApplication::processEvents();
  }
}

// The same number of plain controls, unstyled and unwired: what the inventory itself costs.
void ShowWindowControls_baseline(benchmark::State& state) {
  for (auto _ : state) {
    QMainWindow window;
    auto* inner = new QWidget(&window);
    window.setCentralWidget(inner);
    for (int i = 0; i < 56; ++i) new QPushButton(QStringLiteral("b"), inner);
    for (int i = 0; i < 17; ++i) new QLabel(QStringLiteral("l"), inner);
    for (int i = 0; i < 3; ++i) new QComboBox(inner);
    new QPlainTextEdit(inner);
    window.resize(555, 510);
    window.show();
    QCoreApplication::processEvents();
  }
}

BENCHMARK(ShowWindow_baseline)->Name("ShowWindow/baseline")->Unit(benchmark::kMillisecond);
BENCHMARK(ShowWindow_editor)->Name("ShowWindow/editor")->Unit(benchmark::kMillisecond);
BENCHMARK(ShowWindowControls_baseline)
    ->Name("ShowWindowControls/baseline")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ShowWindow_editor)->Name("ShowWindowControls/editor")->Unit(benchmark::kMillisecond);

}  // namespace
