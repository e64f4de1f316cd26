#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

#include "platform/profile_ini_reader.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_message_box.h"
#include "platform/qt_process_launcher.h"
#include "platform/system.h"
#include "platform/system_midi_input.h"
#include "platform/system_midi_service.h"
#include "platform/window_system.h"
#include "shell/form1.h"

int main(int argc, char* argv[]) {
  // Read while the toolkit connects to the display; waited for on every way out of main.
  const orv::platform::FontConfigurationReader fontConfiguration;
  if (!orv::platform::displayAvailable()) {
    std::fputs(
        "OrvEditor: 画面(ディスプレイ)に接続できません。デスクトップ上で起動してください。\n"
        "OrvEditor: no display found (no X server or Wayland compositor answers at DISPLAY or "
        "WAYLAND_DISPLAY).\n",
        stderr);
    return EXIT_FAILURE;
  }
  // The whole command line is the document's path, so the toolkit is given none of it: it would
  // take out whatever looks like one of its own options (a file named "-reverse", the path after
  // "-style") before the path is joined.
  const QStringList arguments = orv::platform::commandLineArguments(argc, argv);
  int toolkitArgc = 1;
  QApplication app(toolkitArgc, argv);
  QApplication::setApplicationName(QStringLiteral("OrvEditor"));
  QApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("io.github.orveditor.OrvEditor"));

  // The toolkit's own texts in Japanese: those shipped beside a copied program, else the
  // system's.
  QTranslator qtTranslator;
  for (const QString& folder :
       {QApplication::applicationDirPath() + QStringLiteral("/translations"),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder)) {
      QApplication::installTranslator(&qtTranslator);
      break;
    }
  }

  orv::platform::QtMessageBox messages;
  orv::platform::QtFileDialog dialog;
  orv::platform::SystemMidiService midi;
  orv::platform::SystemMidiInput keyboards;
  orv::platform::QtProcessLauncher launcher;
  orv::platform::ProfileIniReader ini;

  orv::shell::Form1 form(orv::shell::Services{messages, dialog, midi, launcher, ini, &keyboards},
                         orv::shell::StartupContext{QApplication::applicationDirPath(), arguments,
                                                    [] { QCoreApplication::exit(0); },
                                                    orv::platform::userConfigFolder(),
                                                    orv::platform::virtualStoreFolder()});
  messages.setParentWindow(&form);
  dialog.setParentWindow(&form);
  form.show();
  return QApplication::exec();
}
