#pragma once

#include <QString>

namespace orv::platform {

// Reads one value of an INI file with the rules of the classic profile functions: names compared
// without regard to case, the file's bytes in code page 932, at most 255 bytes of a value, and
// `defaultValue` for a missing file, section or key.
class IniReader {
 public:
  virtual ~IniReader() = default;
  virtual QString readString(const QString& path, const QString& section, const QString& key,
                             const QString& defaultValue) = 0;
};

}  // namespace orv::platform
