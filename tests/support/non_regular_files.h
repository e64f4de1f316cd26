#pragma once

// Names that are not regular files, as this system has them, each with the reason the file reader
// gives for refusing it: reading one must never block or run away.

#include <QString>

#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#else
#include <QFile>

#include <sys/stat.h>
#endif

namespace orv::test {

inline std::vector<std::pair<QString, QString>> nonRegularFiles(const QString& folder) {
#ifdef Q_OS_WIN
  // A device name stands for the device in every folder, with any extension; the superscript
  // digits name the same ports as the plain ones.
  const QString device = QStringLiteral("デバイスです。通常のファイルではありません。");
  return {{folder + QStringLiteral("/NUL"), device},
          {folder + QStringLiteral("/con.orv"), device},
          {folder + QStringLiteral("/COM\u00B9.orv"), device}};
#else
  const QString fifo = folder + QStringLiteral("/pipe.orv");
  if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0) return {};
  return {{fifo, QStringLiteral("名前付きパイプ（FIFO）です。通常のファイルではありません。")},
          {QStringLiteral("/dev/zero"),
           QStringLiteral("デバイスです。通常のファイルではありません。")}};
#endif
}

}  // namespace orv::test
