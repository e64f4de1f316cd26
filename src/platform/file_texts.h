#pragma once

// The words for what a file is or why it was not read or written, the same on every system.

#include <QString>

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
