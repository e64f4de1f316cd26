#include "platform/system_midi_input.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace orv::platform {
namespace {

// Neither the Linux test machine (no sequencer device, no JACK server running) nor Wine has a
// keyboard: switching on and off finds nothing, says nothing and loses nothing.
TEST(SystemMidiInput, WithoutKeyboardsOpensAndClosesQuietly) {
  testing::internal::CaptureStderr();
  {
    SystemMidiInput input;
    for (int round = 0; round < 2; ++round) {
      input.open([](const PlayedEvent&) { ADD_FAILURE() << "nothing was played"; });
      EXPECT_TRUE(input.isOpen());
      QTest::qWait(600);  // past a recount of the devices
      input.close();
      EXPECT_FALSE(input.isOpen());
    }
    EXPECT_EQ(input.droppedEvents(), 0u);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace orv::platform
