#pragma once

#include "platform/message_box.h"

class QWidget;

namespace orv::platform {

// Message boxes of the toolkit, parented to the main window once it exists.
class QtMessageBox final : public MessageBox {
 public:
  void setParentWindow(QWidget* window) { m_parent = window; }
  int show(const QString& text, int code, const QString& title) override;

 private:
  QWidget* m_parent = nullptr;
};

}  // namespace orv::platform
