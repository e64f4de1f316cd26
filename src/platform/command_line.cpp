#include "platform/command_line.h"

namespace orv::platform {

namespace {

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

QString textAfterProgram(QStringView line, QStringView program) {
  qsizetype at = 0;
  if (line.startsWith(u'"')) {
    const qsizetype close = line.indexOf(u'"', 1);
    at = close < 0 ? line.size() : close + 1;
  } else if (!program.isEmpty() && line.startsWith(program, Qt::CaseInsensitive) &&
             (line.size() == program.size() || isBlank(line[program.size()]))) {
    at = program.size();
  } else {
    while (at < line.size() && !isBlank(line[at])) ++at;
  }
  while (at < line.size() && isBlank(line[at])) ++at;
  qsizetype end = line.size();
  while (end > at && isBlank(line[end - 1])) --end;
  return line.sliced(at, end - at).toString();
}

}  // namespace orv::platform
