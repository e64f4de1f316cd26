#pragma once

#include <QString>
#include <QStringList>

namespace orv::platform {
class IniReader;
}

namespace orv::shell {

// What start-up reads from outside: the program's folder, the sibling tool's INI file and the
// command line, and the title text built from the program's version.
class StartupConfig {
 public:
  // "Orvo Editor Ver" + major "." minor revision + "β".
  static QString titleText();
  // The document path of the command line: the arguments joined by single blanks, one enclosing
  // pair of double quotation marks removed. Empty when there is no path.
  static QString commandLinePath(const QStringList& arguments);
  // The last used folder as the file dialogs may start in it: `folder` itself, also when it does
  // not exist, but empty when the file system refuses to look it up.
  static QString probedFolder(const QString& folder);
  // The INI file to read: the one beside the program when it exists, else the one in the user's
  // configuration folder when that exists, else the one beside the program (a missing file reads
  // as missing keys). An empty `configFolder` is not looked in.
  static QString iniPath(const QString& appFolder, const QString& configFolder);

  QString AppFolder;
  QString IniPath;
  QString PlayerPath;
};

}  // namespace orv::shell
