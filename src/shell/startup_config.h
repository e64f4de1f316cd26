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
  // The INI file to read, the first that exists of: the system's own copy of the one beside the
  // program in `virtualStore` (an older program that may not write there has written that copy
  // instead), the one beside the program, and the one in the user's configuration folder. When
  // none exists, the one beside the program (a missing file reads as missing keys). An empty
  // folder is not looked in.
  static QString iniPath(const QString& appFolder, const QString& configFolder,
                         const QString& virtualStore = {});
  // Where the system keeps its copy of `path` in `virtualStore`: the path below its drive, put
  // below that folder. Empty for a path on a network share.
  static QString virtualStoreCopy(const QString& path, const QString& virtualStore);

  QString AppFolder;
  QString IniPath;
  QString PlayerPath;
};

}  // namespace orv::shell
