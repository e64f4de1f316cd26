#include "platform/qt_message_box.h"

#include <QMessageBox>

namespace orv::platform {

int QtMessageBox::show(const QString& text, int code, const QString& title) {
  QMessageBox box(m_parent);
  box.setWindowTitle(title.isEmpty() ? kApplicationTitle : title);
  // File names appear in the texts; "<i>" or "&amp;" in one must show as it is.
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  if (code == kYesNoCancelWarning) {
    box.setIcon(QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
      case QMessageBox::Yes:
        return kYes;
      case QMessageBox::No:
        return kNo;
      default:
        return kCancel;
    }
  }
  box.setIcon(QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return kOk;
}

}  // namespace orv::platform
