#pragma once

// What every system's file code shares: the words for what a file is or why it was not read or
// written, and reading a whole file of bounded size.

#include <QByteArray>
#include <QString>

#include <functional>

namespace orv::platform::file_texts {

// "words（NAME）": the system's error named after the words a user reads.
QString withErrorName(const QString& words, const QString& name);

QString folder();
QString namedPipe();
QString socket();
QString device();
QString notRegular();
QString tooLarge(qint64 limit);

}  // namespace orv::platform::file_texts

namespace orv::platform {

// Reads to the end of a file that said it holds `size` bytes, through `readSome` (read at most
// `count` bytes to `into`; the number read, 0 at the end, or -1 on a failure the caller keeps).
// A file that grows past `limit` while it is read is TooLarge.
enum class ReadOutcome { Read, TooLarge, Failed };
ReadOutcome readToEnd(qint64 size, qint64 limit, QByteArray& bytes,
                      const std::function<qint64(char* into, qint64 count)>& readSome);

}  // namespace orv::platform
