#include "platform/file_common.h"

#include "platform/file_io.h"

#include <algorithm>

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

namespace orv::platform {

ReadOutcome readToEnd(qint64 size, qint64 limit, QByteArray& bytes,
                      const std::function<qint64(char* into, qint64 count)>& readSome) {
  // One byte more than the size, so that the end is found without growing the buffer.
  bytes.resize(static_cast<qsizetype>(size) + 1);
  qsizetype used = 0;
  for (;;) {
    if (used == bytes.size()) {
      // The file grew while it was read.
      if (used > limit) return ReadOutcome::TooLarge;
      bytes.resize(static_cast<qsizetype>(std::min<qint64>(limit + 1, used * 2 + 4096)));
    }
    const qint64 n = readSome(bytes.data() + used, bytes.size() - used);
    if (n < 0) return ReadOutcome::Failed;
    if (n == 0) break;
    used += n;
  }
  if (used > limit) return ReadOutcome::TooLarge;
  bytes.truncate(used);
  return ReadOutcome::Read;
}

bool AtomicFileWriter::fail(int code) {
  return failWith(systemErrorText(code));
}

bool AtomicFileWriter::failWith(const QString& reason) {
  m_error = reason;
  cancel();
  return false;
}

}  // namespace orv::platform
