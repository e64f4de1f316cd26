#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QStringList>
#include <QThread>

#include "support/file_bytes.h"

namespace orv::test {

// A copy of the recording player program (support/recording_player_main.cpp): its runs, counted
// from 0, each record their arguments beside it and then wait until the test releases them or
// the program file goes (half a minute at most).
class RecordingPlayer {
 public:
  // Copies the program to `path` (with ".exe" added on Windows, which starts nothing else), whose
  // folder must exist.
  explicit RecordingPlayer(const QString& path)
#ifdef Q_OS_WIN
      : program(path + QStringLiteral(".exe")) {
#else
      : program(path) {
#endif
    QFile::copy(QStringLiteral(ORV_RECORDING_PLAYER), program);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  // Releases every run and waits for it to end: Windows lets no one remove a running program.
  ~RecordingPlayer() {
    const auto count = static_cast<int>(runs().size());
    for (int run = 0; run < count; ++run) release(run);
    const QDeadlineTimer deadline(5000);
    for (int run = 0; run < count && !deadline.hasExpired(); run += ended(run)) QThread::msleep(5);
  }

  QList<QStringList> runs() const {
    QList<QStringList> out;
    for (int n = 0; QFile::exists(record(n)); ++n) {
      out << QString::fromUtf8(contents(record(n))).split(u'\n');
      out.last().removeLast();  // after the last line's end
    }
    return out;
  }
  // The command line run `run` was given, as Windows hands it over; "<absent>" elsewhere.
  QString commandLine(int run) const {
    return QString::fromUtf8(contents(record(run, QStringLiteral(".line"))));
  }
  void release(int run) const {
    put(record(run, QStringLiteral(".go")), {});
  }
  bool ended(int run) const {
    return QFile::exists(record(run, QStringLiteral(".end")));
  }
  // Leaves a file at `program` that the system will not start: not executable on Linux, not a
  // program at all on Windows.
  void makeUnstartable() const {
#ifdef Q_OS_WIN
    put(program, "not a program\r\n");
#else
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner);
#endif
  }

  const QString program;

 private:
  // Run n's arguments, one a line, are in "<program>.n" once complete.
  QString record(int run, const QString& suffix = {}) const {
    return program + u'.' + QString::number(run) + suffix;
  }
};

}  // namespace orv::test
