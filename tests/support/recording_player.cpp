#include "support/recording_player.h"

#include <QDeadlineTimer>
#include <QThread>

#include "support/file_bytes.h"

namespace orv::test {

RecordingPlayer::RecordingPlayer(const QString& path)
#ifdef Q_OS_WIN
    : program(path + QStringLiteral(".exe")) {
#else
    : program(path) {
#endif
  QFile::copy(QStringLiteral(ORV_RECORDING_PLAYER), program);
  QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

RecordingPlayer::~RecordingPlayer() {
  const auto count = static_cast<int>(runs().size());
  for (int run = 0; run < count; ++run) release(run);
  const QDeadlineTimer deadline(5000);
  for (int run = 0; run < count && !deadline.hasExpired(); run += ended(run)) QThread::msleep(5);
}

// Run n's arguments, one a line, are in "<program>.n" once complete.
QString RecordingPlayer::record(int run, const QString& suffix) const {
  return program + u'.' + QString::number(run) + suffix;
}

QList<QStringList> RecordingPlayer::runs() const {
  QList<QStringList> out;
  for (int n = 0; QFile::exists(record(n)); ++n) {
    out << QString::fromUtf8(contents(record(n))).split(u'\n');
    out.last().removeLast();  // after the last line's end
  }
  return out;
}

QString RecordingPlayer::commandLine(int run) const {
  return QString::fromUtf8(contents(record(run, QStringLiteral(".line"))));
}

void RecordingPlayer::release(int run) const {
  put(record(run, QStringLiteral(".go")), {});
}

void RecordingPlayer::makeUnstartable() const {
#ifdef Q_OS_WIN
  put(program, "not a program\r\n");
#else
  QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner);
#endif
}

}  // namespace orv::test
