#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

// Windows hands a program its whole command line; the document's path is what follows the
// program's name, however the starting program wrote that name.
TEST(CommandLine, TheTextAfterTheProgramsNameHoweverTheLauncherWroteIt) {
  const QString program = u"C:\\Program Files\\OrvEditor\\orveditor.exe"_s;
  const std::pair<QString, QString> rows[] = {
      // Explorer's open command: both quoted.
      {u"\"C:\\Program Files\\OrvEditor\\orveditor.exe\" \"C:\\楽譜 置き場\\曲 1.orv\""_s,
       u"\"C:\\楽譜 置き場\\曲 1.orv\""_s},
      // A launcher that passes the program's path unquoted, blanks and all.
      {u"C:\\Program Files\\OrvEditor\\orveditor.exe C:\\scores\\a b.orv"_s,
       u"C:\\scores\\a b.orv"_s},
      {u"c:\\program files\\orveditor\\ORVEDITOR.EXE\t\"a.orv\"  \t"_s, u"\"a.orv\""_s},
      {u"C:\\Program Files\\OrvEditor\\orveditor.exe"_s, {}},
      {u"\"C:\\Program Files\\OrvEditor\\orveditor.exe\"   "_s, {}},
      // Started by a shorter name: the first word is the program's.
      {u"orveditor a.orv"_s, u"a.orv"_s},
      {u"\"unclosed a.orv"_s, {}},
      {{}, {}},
  };
  for (const auto& [line, rest] : rows)
    EXPECT_EQ(textAfterProgram(line, program), rest) << line.toStdString();
}

}  // namespace
}  // namespace orv::platform
