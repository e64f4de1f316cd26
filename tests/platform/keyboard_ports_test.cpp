#include "platform/linux/keyboard_ports.h"

#include <gtest/gtest.h>


namespace orv::platform {
namespace {

constexpr unsigned int kReadable = 1U << 0 | 1U << 5;  // read, subscription to read
constexpr unsigned int kNoExport = 1U << 7;
constexpr unsigned int kWriteOnly = 1U << 1 | 1U << 6;

TEST(KeyboardPorts, AreThePortsOthersMayReadExceptTheSystemsMidiThroughOursAndWhatWeFeed) {
  const std::tuple<SequencerPort, bool> rows[] = {
      {{24, "USB Keystation 61", kReadable}, true},
      {{130, "VMPK Output", kReadable}, true},
      {{0, "System", kReadable}, false},
      {{14, "Midi Through", kReadable}, false},
      {{28, "Synth", kWriteOnly}, false},
      {{29, "Hidden", kReadable | kNoExport}, false},
      {{131, "OrvEditor", kReadable, true}, false},
      {{132, "Echo", kReadable, false, true}, false},
  };
  for (const auto& [port, listened] : rows)
    EXPECT_EQ(isKeyboardPort(port), listened) << port.clientName;

  const std::tuple<const char*, bool> jackRows[] = {
      {"system:midi_capture_1", true},
      {"a2j:Keystation [24] (capture): Keystation MIDI 1", true},
      {"Midi-Bridge:Midi Through Port-0 (capture)", false},
      {"OrvEditor-input:keyboards", false},
  };
  for (const auto& [name, listened] : jackRows)
    EXPECT_EQ(isKeyboardPort(name, "OrvEditor-input:"), listened) << name;
}

}  // namespace
}  // namespace orv::platform
