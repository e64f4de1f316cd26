#pragma once

// What the program asks of the operating system as it starts: whether there is a screen to show
// a window on, the command line as the user gave it, and the folders where the user's own
// configuration files are.

#include <QString>
#include <QStringList>

namespace orv::platform {

// False when no window can be shown: on Linux, when no display server named in the environment
// answers. Where only one of X11 and Wayland answers, the toolkit is told to take that one, as it
// would otherwise try the other first and abort. (On Linux it lives with the window system's code,
// which alone speaks to an X server.)
bool displayAvailable();

// The words of the command line after the program's name, as the system hands them over. Where
// the system keeps one command-line string (Windows), that whole text is the one word, quotation
// marks included.
QStringList commandLineArguments(int argc, char* argv[]);

// Where a user keeps configuration files of their own (~/.config, %APPDATA%).
QString userConfigFolder();

// Where the system keeps the user's copies of files that older programs wrote into folders the
// user may not change (Windows: %LOCALAPPDATA%\VirtualStore); empty where there is no such place.
QString virtualStoreFolder();

}  // namespace orv::platform
