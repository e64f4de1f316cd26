#include "support/recording_player.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <algorithm>

namespace orv::test {

namespace {

void touch(const QString& path) {
  QFile f(path);
  (void)f.open(QIODevice::WriteOnly);
}

}  // namespace

RecordingPlayer::RecordingPlayer(const QString& programPath, bool waits) : m_program(programPath) {
  if (!waits) touch(m_record.filePath(QStringLiteral("exit-at-once")));
  // The record folder's name holds no quotation mark, so single quotes keep it whole.
  const QByteArray script =
      "#!/bin/sh\n"
      "rec='" +
      QFile::encodeName(m_record.path()) +
      "'\n"
      "run=\"$rec/run.$$\"\n"
      "mkdir \"$run.part\" || exit 1\n"
      "i=0\n"
      "for a in \"$@\"; do i=$((i+1)); printf '%s' \"$a\" > \"$run.part/$i\"; done\n"
      "mv \"$run.part\" \"$run\"\n"
      "[ -e \"$rec/exit-at-once\" ] && exit 0\n"
      "while [ ! -e \"$rec/release.$$\" ] && [ ! -e \"$rec/release-all\" ]; do sleep 0.02; done\n";
  QFile f(m_program);
  if (f.open(QIODevice::WriteOnly)) {
    f.write(script);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}

RecordingPlayer::~RecordingPlayer() {
  releaseAll();
  // Let the scripts see it before their folder goes away.
  for (const Run& r : runs()) {
    for (int i = 0; i < 200 && running(r.pid); ++i) QThread::msleep(10);
  }
}

const std::vector<RecordingPlayer::Run>& RecordingPlayer::runs() {
  const QDir dir(m_record.path());
  for (const QString& name : dir.entryList({QStringLiteral("run.*")}, QDir::Dirs)) {
    if (name.endsWith(QStringLiteral(".part"))) continue;
    const qint64 pid = name.mid(4).toLongLong();
    if (std::any_of(m_runs.begin(), m_runs.end(), [pid](const Run& r) { return r.pid == pid; })) {
      continue;
    }
    Run run{pid, {}};
    const QDir runDir(dir.filePath(name));
    for (int i = 1;; ++i) {
      QFile arg(runDir.filePath(QString::number(i)));
      if (!arg.open(QIODevice::ReadOnly)) break;
      run.arguments << QFile::decodeName(arg.readAll());
    }
    m_runs.push_back(run);
  }
  return m_runs;
}

void RecordingPlayer::release(qint64 pid) {
  touch(m_record.filePath(QStringLiteral("release.") + QString::number(pid)));
}

void RecordingPlayer::releaseAll() {
  touch(m_record.filePath(QStringLiteral("release-all")));
}

bool RecordingPlayer::running(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray line = stat.readAll();
  const qsizetype close = line.lastIndexOf(')');
  return close >= 0 && close + 2 < line.size() && line[close + 2] != 'Z' && line[close + 2] != 'X';
}

}  // namespace orv::test
