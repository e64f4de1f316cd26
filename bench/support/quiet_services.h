#pragma once

// Services for benchmarks of real windows: no box, no dialog ever waits for a user.

#include <QCoreApplication>

#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/unavailable_services.h"
#include "shell/form1.h"

namespace orv::bench {

// Answers every box at once: OK, or Cancel to a question.
class SilentMessages final : public platform::MessageBox {
 public:
  int show(const QString&, int code, const QString&) override {
    return code == kYesNoCancelWarning ? kCancel : kOk;
  }
};

// Every file dialog is cancelled.
class NoDialog final : public platform::FileDialog {
 public:
  bool ShowSave() override { return false; }
  bool ShowOpen() override { return false; }
};

// A real window over the given MIDI service and quiet services for the rest, shown and settled.
struct ShownForm {
  explicit ShownForm(platform::MidiService& midi, platform::MidiInput* keyboards = nullptr)
      : form(shell::Services{messages, dialog, midi, launcher, ini, keyboards},
             shell::StartupContext{QString(), {}, [] {}}) {
    form.show();
    QCoreApplication::processEvents();
  }
  SilentMessages messages;
  NoDialog dialog;
  platform::UnavailableProcessLauncher launcher;
  platform::UnavailableIniReader ini;
  shell::Form1 form;
};

}  // namespace orv::bench
