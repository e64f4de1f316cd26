#include "platform/qt_file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace orv::platform {

QString QtFileDialog::toNameFilter(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& label = parts.at(i);
    const QString patterns = parts.at(i + 1);
    // The toolkit reads the patterns from the parentheses of the label; add them when missing.
    if (label.contains(u'(')) {
      filters << label;
    } else {
      filters << label + QStringLiteral(" (") + QString(patterns).replace(u';', u' ') +
                     QStringLiteral(")");
    }
  }
  return filters.join(QStringLiteral(";;"));
}

bool QtFileDialog::ShowSave() {
  return show(true);
}
bool QtFileDialog::ShowOpen() {
  return show(false);
}

bool QtFileDialog::show(bool save) {
  QFileDialog dialog(m_parent, DialogTitle, InitDir);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // The open dialog accepts a name that does not exist (the reader reports it); the save dialog
  // adds no extension. This dialog has no read-only option to hide.
  dialog.setFileMode(QFileDialog::AnyFile);
  if (save && !(Flags & kOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QString filters = toNameFilter(Filter);
  if (!filters.isEmpty()) dialog.setNameFilter(filters);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return false;
  // In the system's own form, as the window caption and the player's command line show it.
  FileName = QDir::toNativeSeparators(QFileInfo(files.first()).absoluteFilePath());
  InitDir = QDir::toNativeSeparators(dialog.directory().absolutePath());
  return true;
}

}  // namespace orv::platform
