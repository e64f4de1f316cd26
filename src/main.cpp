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
#include "shell/deferred_icon_style.h"
#include "shell/form1.h"

namespace {

[[noreturn]] void noDisplay() {
  std::fputs(
      "OrvEditor: 画面(ディスプレイ)に接続できません。デスクトップ上で起動してください。\n"
      "OrvEditor: no display found (no X server or Wayland compositor answers at DISPLAY or "
      "WAYLAND_DISPLAY).\n",
      stderr);
  std::_Exit(EXIT_FAILURE);  // also from inside the toolkit's start, which nothing may undo
}

QtMessageHandler previousHandler = nullptr;

void noDisplayOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) noDisplay();
  if (previousHandler) previousHandler(type, context, text);
}

}  // namespace

int main(int argc, char* argv[]) {
  orv::platform::readFontConfigurationAhead();
  if (!orv::platform::displayAvailable()) noDisplay();
  // The whole command line is the document's path, so the toolkit is given none of it: it would
  // take out whatever looks like one of its own options (a file named "-reverse", the path after
  // "-style") before the path is joined.
  const QStringList arguments = orv::platform::commandLineArguments(argc, argv);
  int toolkitArgc = 1;
  // A display that answers may still refuse the toolkit (an X server that does not let this user
  // in, one on another host that is gone): the toolkit's fatal message then gives way to the same
  // words and status.
  previousHandler = qInstallMessageHandler(noDisplayOnFatal);
  QApplication app(toolkitArgc, argv);
  qInstallMessageHandler(previousHandler);
  QApplication::setApplicationName(QStringLiteral("OrvEditor"));
  QApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("io.github.orveditor.OrvEditor"));
  // The menu bar is the window's own: looking for a desktop's global menu bar would cost a round
  // trip to the session's message bus before the window can show.
  QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  // The style the toolkit would choose, less the cost of an icon the window seldom shows.
  QApplication::setStyle(new orv::shell::DeferredIconStyle);

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
