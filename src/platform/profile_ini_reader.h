#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "platform/ini_reader.h"

namespace orv::platform {

// The INI reader over real files. A file that is missing, unreadable or not a regular file reads
// as empty, and so does one larger than kMaxFileBytes.
class ProfileIniReader final : public IniReader {
 public:
  static constexpr qsizetype kMaxFileBytes = 16 * 1024 * 1024;
  // A value keeps at most this many bytes of code page 932.
  static constexpr qsizetype kMaxValueBytes = 255;

  QString readString(const QString& path, const QString& section, const QString& key,
                     const QString& defaultValue) override;

  // The same lookup over the file's bytes.
  static QString lookUp(QByteArrayView file, const QString& section, const QString& key,
                        const QString& defaultValue);
};

}  // namespace orv::platform
