#include "platform/system_midi_service.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "support/null_sink_server.h"

namespace orv::platform {
namespace {

TEST(SystemMidiService, WithoutASequencerListsNoPortsAndPrintsNothing) {
  if (access("/dev/snd/seq", F_OK) == 0) GTEST_SKIP() << "this machine has an ALSA sequencer";
  testing::internal::CaptureStderr();
  {
    SystemMidiService service;
    EXPECT_TRUE(service.outputPorts().isEmpty());
    EXPECT_EQ(service.open(0).value_or(QString()), QStringLiteral("MIDI出力装置 1 はありません。"));
    // Where no sound server runs, the built-in synthesizer fails with a message, and quietly.
    service.open(MidiService::kBuiltInSynth);
    service.send(0x793C90);
    service.reset();
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// The synthesizer's libraries come with its module, loaded at the first open.
TEST(SystemMidiService, TheBuiltInSynthesizerOpensOnASoundServer) {
  const test::NullSinkServer server;
  ASSERT_TRUE(server.running());
  SystemMidiService service;
  EXPECT_EQ(service.open(MidiService::kBuiltInSynth).value_or(QString()).toStdString(), "");
  EXPECT_TRUE(service.isOpen());
  service.close();
}

}  // namespace
}  // namespace orv::platform
