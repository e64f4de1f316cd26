#include "platform/control_value.h"

#include <QAbstractButton>
#include <QWidget>

namespace orv::platform {

void setValue(QAbstractButton& button, bool value) {
  if (!button.isCheckable()) {
    if (value) Q_EMIT button.clicked(false);
    return;
  }
  if (button.isChecked() == value) return;
  const bool optionButton = button.group() != nullptr;
  if (optionButton && !value) return;  // an option button is released only by choosing another
  button.setChecked(value);
  Q_EMIT button.clicked(value);
}

int value(const QAbstractButton& checkBox) {
  return checkBox.isChecked() ? 1 : 0;
}

}  // namespace orv::platform

#include <QComboBox>

namespace orv::platform {

void setListIndex(QComboBox& list, int index) {
  list.setCurrentIndex(index);
  Q_EMIT list.activated(index);
}

void setCaption(QWidget& window, const QString& caption) {
  // The toolkit shows "[*][*]" as one literal "[*]".
  QString escaped = caption;
  escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  window.setWindowTitle(escaped);
}

}  // namespace orv::platform
