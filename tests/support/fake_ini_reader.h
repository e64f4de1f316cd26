#pragma once

#include <QHash>
#include <QString>

#include "platform/ini_reader.h"

namespace orv::test {

// Values by key name, whatever the file and section; the default for the others. Names a
// player unless a test removes it.
class FakeIniReader final : public platform::IniReader {
 public:
  QHash<QString, QString> values{{QStringLiteral("Orvo"), QStringLiteral("/usr/bin/true")}};

  QString readString(const QString&, const QString&, const QString& key,
                     const QString& defaultValue) override {
    return values.value(key, defaultValue);
  }
};

}  // namespace orv::test
