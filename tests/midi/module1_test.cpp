#include "midi/module1.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/recording_midi_service.h"
#include "support/scripted_message_box.h"

namespace orv::midi {
namespace {

struct Encoded {
  const char* what;
  std::function<void(Module1&)> send;
  std::uint32_t value;
};

TEST(Module1, EncodesEachShortMessageOnChannelOne) {
  const Encoded rows[] = {
      {"note on, key 0", [](Module1& m) { m.NoteOn(0); }, 0x793C90},
      {"note on, key 24", [](Module1& m) { m.NoteOn(24); }, 0x795490},
      {"note off, key 0", [](Module1& m) { m.NoteOff(0); }, 0x103C80},
      {"note off, key 24", [](Module1& m) { m.NoteOff(24); }, 0x105480},
      {"note on, key as the text \"12\"", [](Module1& m) { m.NoteOn(QStringLiteral("12")); },
       0x794890},
      {"note off, key as the text \"7\"", [](Module1& m) { m.NoteOff(QStringLiteral("7")); },
       0x104380},
      {"program 0", [](Module1& m) { m.SendShortMessage(programChangeMessage(0)); }, 0xC0},
      {"program 127", [](Module1& m) { m.SendShortMessage(programChangeMessage(127)); }, 0x7FC0},
  };
  for (const Encoded& row : rows) {
    test::RecordingMidiService service;
    test::ScriptedMessageBox messages;
    Module1 module1(service, messages);
    module1.OpenMidiOut(-1);
    row.send(module1);
    EXPECT_EQ(service.sent, (std::vector<std::uint32_t>{row.value})) << row.what;
  }
}

}  // namespace
}  // namespace orv::midi
