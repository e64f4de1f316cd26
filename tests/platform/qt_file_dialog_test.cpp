#include "platform/qt_file_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/qt_printers.h"

namespace orv::platform {
namespace {

// Save As onto another existing score asks first; "No" goes back to the dialog and the file stays.
TEST(QtFileDialog, SaveAsAsksBeforeReplacingAnExistingFile) {
  QTemporaryDir dir;
  const QString other = dir.filePath(QStringLiteral("other.orv"));
  QFile file(other);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("keep\r\n") == 6);
  file.close();
  for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
    int asked = 0;
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        asked += box->text().contains(QStringLiteral("other.orv"));
        box->button(answer)->click();
      });
      dialog->selectFile(QStringLiteral("other.orv"));
      static_cast<QDialog*>(dialog)->accept();  // as the Save button does
      stillOpen = dialog->isVisible();
      if (stillOpen) dialog->reject();
    });
    QtFileDialog save;
    save.InitDir = dir.path();
    save.Flags = FileDialog::kHideReadOnly | FileDialog::kOverwritePrompt;
    const bool chosen = save.ShowSave();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(chosen, answer == QMessageBox::Yes);
    EXPECT_EQ(stillOpen, answer == QMessageBox::No);
    if (chosen) {
      EXPECT_EQ(save.FileName, QDir::toNativeSeparators(other));
    }
  }
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "keep\r\n");
}

}  // namespace
}  // namespace orv::platform
