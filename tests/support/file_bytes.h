#pragma once

#include <QFile>

namespace orv::test {

// The bytes of a file, or "<absent>" when it cannot be read.
inline QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

// Makes `bytes` the whole file; true when every byte was written.
inline bool put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace orv::test
