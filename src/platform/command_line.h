#pragma once

#include <QString>
#include <QStringView>

namespace orv::platform {

// The text of a one-string command line (as Windows keeps it) after the program's name: the name
// is the quoted part when the line starts with a quotation mark, else `program` itself when the
// line starts with it (a launcher may pass a path with blanks unquoted), else the first word.
// Blanks after the name and at the end are dropped; no file name ends in one.
QString textAfterProgram(QStringView line, QStringView program);

}  // namespace orv::platform
