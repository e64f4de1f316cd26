#pragma once

// Services for benchmarks of real windows: no box, no dialog ever waits for a user.

#include "platform/file_dialog.h"
#include "platform/message_box.h"

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

}  // namespace orv::bench
