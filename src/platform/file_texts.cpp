#include "platform/file_texts.h"

namespace orv::platform::file_texts {

QString withErrorName(const QString& words, const QString& name) {
  return words + QStringLiteral("（") + name + QStringLiteral("）");
}

QString folder() {
  return QStringLiteral("フォルダーです。ファイルを選んでください。");
}

QString namedPipe() {
  return QStringLiteral("名前付きパイプ（FIFO）です。通常のファイルではありません。");
}

QString socket() {
  return QStringLiteral("ソケットです。通常のファイルではありません。");
}

QString device() {
  return QStringLiteral("デバイスです。通常のファイルではありません。");
}

QString notRegular() {
  return QStringLiteral("通常のファイルではありません。");
}

QString tooLarge(qint64 limit) {
  return QStringLiteral("ファイルが大きすぎます（%1 MiB まで）。").arg(limit / (1024 * 1024));
}

}  // namespace orv::platform::file_texts
