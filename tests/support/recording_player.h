#pragma once

#include <QFile>
#include <QStringList>

namespace orv::test {

// A copy of the recording player program (support/recording_player_main.cpp): its runs, counted
// from 0, each record their arguments beside it and then wait until the test releases them or
// the program file goes (half a minute at most).
class RecordingPlayer {
 public:
  // Copies the program to `path` (with ".exe" added on Windows, which starts nothing else), whose
  // folder must exist.
  explicit RecordingPlayer(const QString& path);
  // Releases every run and waits for it to end: Windows lets no one remove a running program.
  ~RecordingPlayer();

  QList<QStringList> runs() const;
  // The command line run `run` was given, as Windows hands it over; "<absent>" elsewhere.
  QString commandLine(int run) const;
  void release(int run) const;
  bool ended(int run) const { return QFile::exists(record(run, QStringLiteral(".end"))); }
  // Leaves a file at `program` that the system will not start: not executable on Linux, not a
  // program at all on Windows.
  void makeUnstartable() const;

  const QString program;

 private:
  QString record(int run, const QString& suffix = {}) const;
};

}  // namespace orv::test
