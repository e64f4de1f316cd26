#include "platform/qt_message_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/qt_printers.h"

namespace orv::platform {
namespace {

// File names reach the boxes; markup in one must show as typed.
TEST(QtMessageBox, ShowsItsTextAsPlainText) {
  const QString text = QStringLiteral("<b>a&amp;b</b> [*].orv");
  QString shown;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (const QLabel* label : box->findChildren<QLabel*>())
      if (label->text() == text && label->textFormat() == Qt::PlainText) shown = label->text();
    box->done(QMessageBox::Ok);
  });
  QtMessageBox messages;
  messages.show(text, MessageBox::kOkOnly, QString());
  EXPECT_EQ(shown, text);
}

}  // namespace
}  // namespace orv::platform
