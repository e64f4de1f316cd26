#include "support/recording_player.h"

#include <QFile>

namespace orv::test {

RecordingPlayer::RecordingPlayer(const QString& path) : program(path) {
  QFile f(program);
  (void)f.open(QIODevice::WriteOnly);
  f.write(R"(#!/bin/sh
n=0; while [ -e "$0.$n" ] || [ -e "$0.$n.part" ]; do n=$((n+1)); done
printf '%s\n' "$@" >"$0.$n.part" && mv "$0.$n.part" "$0.$n"
i=0; while [ -e "$0" ] && [ ! -e "$0.$n.go" ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); done
touch "$0.$n.end" 2>/dev/null
)");
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Run n's arguments, one a line, are in "<program>.n" once complete.
QString RecordingPlayer::record(int run, const QString& suffix) const {
  return program + u'.' + QString::number(run) + suffix;
}

QList<QStringList> RecordingPlayer::runs() const {
  QList<QStringList> out;
  for (int n = 0;; ++n) {
    QFile f(record(n));
    if (!f.open(QIODevice::ReadOnly)) return out;
    out << QFile::decodeName(f.readAll().chopped(1)).split(u'\n');
  }
}

void RecordingPlayer::release(int run) const {
  QFile go(record(run, QStringLiteral(".go")));
  (void)go.open(QIODevice::WriteOnly);
}

}  // namespace orv::test
