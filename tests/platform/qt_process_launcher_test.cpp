#include "platform/qt_process_launcher.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>

#include "support/event_steps.h"
#include "support/recording_player.h"

namespace orv::platform {
namespace {

using test::EventSteps;
using test::RecordingPlayer;
using Started = ProcessLauncher::Started;

// Processor time this process has used, all threads together.
std::chrono::microseconds cpuTime() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return std::chrono::seconds(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         std::chrono::microseconds(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

class Launcher : public ::testing::Test {
 protected:
  QString inFolder(const QString& name) const { return folder.filePath(name); }
  EventSteps steps(RecordingPlayer& player) {
    return EventSteps([&player] {
      ADD_FAILURE() << "the steps did not finish";
      player.releaseAll();
    });
  }

  QTemporaryDir folder;
  QtProcessLauncher launcher;
};

TEST_F(Launcher, AProcessItDoesNotKnowIsNotWaitedFor) {
  RecordingPlayer player(inFolder(QStringLiteral("quick")), false);
  const Started started = launcher.start(player.program(), {});
  ASSERT_TRUE(started.id.has_value());
  EXPECT_TRUE(launcher.waitForEnd(*started.id, nullptr));
  // Already waited for: returns at once, like an id it never started.
  EXPECT_TRUE(launcher.waitForEnd(*started.id, nullptr));
  EXPECT_TRUE(launcher.waitForEnd(-1, nullptr));
}

TEST_F(Launcher, AWaitWhoseProcessEndsDuringAnotherWaitDoesNotSpin) {
  RecordingPlayer player(inFolder(QStringLiteral("player")));
  const Started outer = launcher.start(player.program(), {QStringLiteral("outer")});
  ASSERT_TRUE(outer.id.has_value());
  std::optional<bool> innerEnded;
  std::optional<qint64> inner;
  std::chrono::steady_clock::time_point wallStart;
  std::chrono::microseconds cpuStart{};
  double busyShare = 1.0;

  EventSteps s = steps(player);
  s.when([&] { return player.runs().size() == 1; },
         [&] {
           QTimer::singleShot(0, [&] {
             const Started started = launcher.start(player.program(), {QStringLiteral("inner")});
             inner = started.id;
             if (inner) innerEnded = launcher.waitForEnd(*inner, nullptr);
           });
         })
      .when([&] { return player.runs().size() == 2; }, [&] { player.release(*outer.id); })
      // The outer process has ended while the inner wait runs: nothing may keep firing for it.
      .when([&] { return !RecordingPlayer::running(*outer.id); },
            [&] {
              wallStart = std::chrono::steady_clock::now();
              cpuStart = cpuTime();
            })
      .when(
          [&] {
            return std::chrono::steady_clock::now() - wallStart > std::chrono::milliseconds(500);
          },
          [&] {
            const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - wallStart);
            busyShare = static_cast<double>((cpuTime() - cpuStart).count()) / wall.count();
            player.release(*inner);
          });
  EXPECT_TRUE(launcher.waitForEnd(*outer.id, nullptr));
  EXPECT_TRUE(s.done());
  EXPECT_EQ(innerEnded, std::optional<bool>(true));
  EXPECT_FALSE(RecordingPlayer::running(*inner));
  EXPECT_LT(busyShare, 0.5) << "the wait keeps a processor busy";
}

}  // namespace
}  // namespace orv::platform
