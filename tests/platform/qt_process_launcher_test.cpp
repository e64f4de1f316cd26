#include "platform/qt_process_launcher.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/qt_printers.h"
#include "support/recording_player.h"

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

TEST(QtProcessLauncher, PassesTheArgumentsAsTheyAreAndWaitsOnceForAProcessItStarted) {
  QTemporaryDir folder;
  const test::RecordingPlayer player(folder.filePath(u"a player"_s));
  QtProcessLauncher launcher;
  const ProcessLauncher::Started started = launcher.start(player.program, {u"a b"_s, u"*P*E*X"_s});
  ASSERT_TRUE(started.id.has_value()) << started.error.toStdString();
  player.release(0);
  EXPECT_TRUE(launcher.waitForEnd(*started.id, nullptr));
  EXPECT_EQ(player.runs(), QList<QStringList>({{u"a b"_s, u"*P*E*X"_s}}));
#ifdef Q_OS_WIN
  // The one string a Windows program receives, as the launcher writes it.
  EXPECT_EQ(player.commandLine(0),
            u'"' + QDir::toNativeSeparators(player.program) + u"\" \"a b\" *P*E*X"_s);
#endif
  // Already waited for, or never started here: no wait at all.
  EXPECT_TRUE(launcher.waitForEnd(*started.id, nullptr));
  EXPECT_TRUE(launcher.waitForEnd(-1, nullptr));
}

}  // namespace
}  // namespace orv::platform
