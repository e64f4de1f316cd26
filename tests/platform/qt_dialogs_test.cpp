#include "platform/qt_file_dialog.h"
#include "platform/qt_message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/file_bytes.h"
#include "support/qt_printers.h"

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

// Save As onto another existing score asks first; "No" goes back to the dialog and the file stays.
TEST(QtFileDialog, SaveAsAsksBeforeReplacingAnExistingFile) {
  QTemporaryDir dir;
  const QString other = dir.filePath(u"other.orv"_s);
  ASSERT_TRUE(test::put(other, "keep\r\n"));
  for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
    int asked = 0;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->directory().absolutePath(), dir.path()) << "the folder it opens in";
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        asked += box->text().contains(u"other.orv"_s);
        box->button(answer)->click();
      });
      dialog->selectFile(u"other.orv"_s);
      static_cast<QDialog*>(dialog)->accept();  // as the Save button does
      stillOpen = dialog->isVisible();
      if (stillOpen) dialog->reject();
    });
    QtFileDialog save;
    save.InitDir = dir.path();
    save.Flags = FileDialog::kHideReadOnly | FileDialog::kOverwritePrompt;
    const bool chosen = save.ShowSave();
    EXPECT_EQ(std::tuple(asked, chosen, stillOpen),
              std::tuple(1, answer == QMessageBox::Yes, answer == QMessageBox::No));
    if (chosen) {
      EXPECT_EQ(save.FileName, QDir::toNativeSeparators(other));
    }
  }
  EXPECT_EQ(test::contents(other), "keep\r\n");
}

// File names reach the boxes; markup in one must show as typed.
TEST(QtMessageBox, ShowsItsTextAsPlainText) {
  const QString text = u"<b>a&amp;b</b> [*].orv"_s;
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
