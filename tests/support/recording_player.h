#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace orv::test {

// A player program written by the test: a shell script that records the arguments of each run
// under its process id and then waits until the test releases it (or ends at once).
class RecordingPlayer {
 public:
  struct Run {
    qint64 pid;
    QStringList arguments;
  };

  // Writes the program at `programPath`, whose folder must exist.
  explicit RecordingPlayer(const QString& programPath, bool waits = true);
  ~RecordingPlayer();
  RecordingPlayer(const RecordingPlayer&) = delete;
  RecordingPlayer& operator=(const RecordingPlayer&) = delete;

  const QString& program() const { return m_program; }
  // Every run started so far, in the order they were first seen.
  const std::vector<Run>& runs();
  void release(qint64 pid);
  void releaseAll();
  // Whether the process exists and has not ended.
  static bool running(qint64 pid);

 private:
  QString m_program;
  QTemporaryDir m_record;
  std::vector<Run> m_runs;
};

}  // namespace orv::test
