#include "platform/qt_process_launcher.h"

#include <gtest/gtest.h>

namespace orv::platform {
namespace {

TEST(QtProcessLauncher, WaitsOnceForAProcessItStartedAndNotForOthers) {
  QtProcessLauncher launcher;
  const ProcessLauncher::Started started = launcher.start(QStringLiteral("/bin/true"), {});
  ASSERT_TRUE(started.id.has_value());
  EXPECT_TRUE(launcher.waitForEnd(*started.id, nullptr));
  // Already waited for, or never started here: no wait at all.
  EXPECT_TRUE(launcher.waitForEnd(*started.id, nullptr));
  EXPECT_TRUE(launcher.waitForEnd(-1, nullptr));
}

}  // namespace
}  // namespace orv::platform
