#pragma once

#include "platform/file_dialog.h"

class QWidget;

namespace orv::platform {

class QtFileDialog final : public FileDialog {
 public:
  void setParentWindow(QWidget* window) { m_parent = window; }
  bool ShowSave() override;
  bool ShowOpen() override;

  // "Text (*.orv)|*.orv" in the toolkit's form "Text (*.orv)".
  static QString toNameFilter(const QString& filter);

 private:
  bool show(bool save);
  QWidget* m_parent = nullptr;
};

}  // namespace orv::platform
