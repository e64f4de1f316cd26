#pragma once

#include <QFile>
#include <QStringList>

namespace orv::test {

// A player program written by the test: a shell script whose runs, counted from 0, each record
// their arguments beside it and then wait until the test releases them or the program file goes
// (half a minute at most).
class RecordingPlayer {
 public:
  // Writes the program at `path`, whose folder must exist.
  explicit RecordingPlayer(const QString& path);

  QList<QStringList> runs() const;
  void release(int run) const;
  bool ended(int run) const { return QFile::exists(record(run, QStringLiteral(".end"))); }

  const QString program;

 private:
  QString record(int run, const QString& suffix = {}) const;
};

}  // namespace orv::test
