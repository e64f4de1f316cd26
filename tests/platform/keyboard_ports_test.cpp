#include "platform/linux/keyboard_ports.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

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

// Keyboards on two clients, one with two ports: a port that goes lets go of its own keys, a
// client that goes lets go of all its ports' keys and its pedal.
TEST(HeldBySource, APortOrAClientThatGoesLetsGoOfItsOwnKeys) {
  MidiInputQueue queue;
  std::vector<PlayedEvent> delivered;
  queue.start([&](const PlayedEvent& e) { delivered.push_back(e); });
  HeldBySource held(queue);
  const std::tuple<int, int, std::vector<unsigned char>> played[] = {{24, 0, {0x90, 60, 100}},
                                                                     {24, 1, {0x90, 62, 100}},
                                                                     {28, 0, {0x91, 64, 100}},
                                                                     {28, 0, {0xB1, 64, 127}}};
  for (const auto& [client, port, bytes] : played) held.played(client, port, bytes.data(), 3);
  held.gone(24, 1);
  held.gone(28, -1);
  held.gone(28, -1);
  held.gone(24, 0);
  QCoreApplication::processEvents();
  using enum PlayedEvent::Kind;
  EXPECT_EQ(delivered, (std::vector<PlayedEvent>{{NoteOn, 60, 100},
                                                 {NoteOn, 62, 100},
                                                 {NoteOn, 64, 100},
                                                 {PedalDown, 0, 127},
                                                 {NoteOff, 62, 0},
                                                 {NoteOff, 64, 0},
                                                 {NoteOff, 60, 0}}));
  // The pedal was let go with its client: pressed again, it counts again.
  const unsigned char pedal[] = {0xB0, 64, 100};
  held.played(30, 0, pedal, 3);
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered.back(), (PlayedEvent{PedalDown, 0, 100}));
}

}  // namespace
}  // namespace orv::platform
