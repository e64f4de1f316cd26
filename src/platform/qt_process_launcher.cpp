#include "platform/qt_process_launcher.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace orv::platform {

bool QtProcessLauncher::runUntilEnded(const QObject* owner, const Watch& watch) {
  QEventLoop loop;
  bool ended = false;
  watch([&] {
    ended = true;
    loop.quit();
  });
  if (owner) QObject::connect(owner, &QObject::destroyed, &loop, &QEventLoop::quit);
  if (auto* app = QCoreApplication::instance()) {
    QObject::connect(app, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
  }
  // When the program is already ending, exec() returns at once.
  loop.exec();
  return ended;
}

}  // namespace orv::platform
