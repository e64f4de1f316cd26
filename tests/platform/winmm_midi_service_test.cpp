#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/system_midi_service.h"
#include "support/import_patch.h"

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

// winmm as the test sets it up: the devices plugged in now, what opening answers, which device
// each open asked for, and what a send answers.
struct Winmm {
  static inline QStringList devices;
  static inline MMRESULT openAnswer = MMSYSERR_NOERROR, sendAnswer = MMSYSERR_NOERROR;
  static inline std::vector<UINT> opened;
  static inline int closes = 0;

  static UINT WINAPI count() { return static_cast<UINT>(devices.size()); }
  static MMRESULT WINAPI caps(UINT_PTR device, LPMIDIOUTCAPSW caps, UINT) {
    devices.at(static_cast<qsizetype>(device)).toWCharArray(caps->szPname);
    caps->szPname[devices.at(static_cast<qsizetype>(device)).size()] = 0;
    return MMSYSERR_NOERROR;
  }
  static MMRESULT WINAPI open(LPHMIDIOUT handle, UINT device, DWORD_PTR, DWORD_PTR, DWORD) {
    opened.push_back(device);
    *handle = reinterpret_cast<HMIDIOUT>(0x1234);
    return openAnswer;
  }
  static MMRESULT WINAPI send(HMIDIOUT, DWORD) { return sendAnswer; }
  static MMRESULT WINAPI close(HMIDIOUT) {
    ++closes;
    return MMSYSERR_NOERROR;
  }
  static MMRESULT WINAPI errorText(MMRESULT, LPWSTR text, UINT) {
    text[0] = 0;  // some drivers describe nothing
    return MMSYSERR_NOERROR;
  }
};

class WinmmMidiService : public ::testing::Test {
 protected:
  test::ImportPatch patches[6] = {
      {"midiOutGetNumDevs", reinterpret_cast<void*>(&Winmm::count)},
      {"midiOutGetDevCapsW", reinterpret_cast<void*>(&Winmm::caps)},
      {"midiOutOpen", reinterpret_cast<void*>(&Winmm::open)},
      {"midiOutShortMsg", reinterpret_cast<void*>(&Winmm::send)},
      {"midiOutClose", reinterpret_cast<void*>(&Winmm::close)},
      {"midiOutGetErrorTextW", reinterpret_cast<void*>(&Winmm::errorText)}};
  SystemMidiService midi;
};

// winmm numbers devices by their place in today's list: a device is opened under the number its
// name has now, the MIDI Mapper under its own, and one that is gone is named in the box.
TEST_F(WinmmMidiService, OpensTheListedDeviceByItsNameWhereverItMoved) {
  for (const auto& patch : patches) ASSERT_TRUE(patch.applied());
  Winmm::devices = {u"USB Keys"_s, u"Microsoft GS Wavetable Synth"_s};
  ASSERT_EQ(midi.outputPorts(), Winmm::devices);
  Winmm::opened.clear();
  EXPECT_EQ(midi.open(MidiService::kBuiltInSynth), std::nullopt);
  EXPECT_EQ(midi.open(1), std::nullopt);
  Winmm::devices = {u"Microsoft GS Wavetable Synth"_s};  // the USB keyboard was unplugged
  EXPECT_EQ(midi.open(1), std::nullopt);
  EXPECT_EQ(Winmm::opened, (std::vector<UINT>{MIDI_MAPPER, 1, 0}));
  EXPECT_EQ(midi.open(0), u"MIDI出力装置「USB Keys」が見つかりません。接続を確かめてください。"_s);
  EXPECT_EQ(Winmm::opened.size(), 3u);
  EXPECT_FALSE(midi.isOpen());

  // A refusal the system does not describe still says what could not be opened, and why.
  Winmm::openAnswer = MMSYSERR_ALLOCATED;
  EXPECT_EQ(midi.open(1),
            u"MIDI出力装置「Microsoft GS Wavetable Synth」を開けません。\n"
            u"winmm のエラー 4"_s);
  Winmm::openAnswer = MMSYSERR_NOERROR;
}

// A device unplugged while open is reported once, and the output is closed.
TEST_F(WinmmMidiService, ADeviceUnpluggedWhileOpenIsReportedOnce) {
  Winmm::devices = {u"USB Keys"_s};
  midi.outputPorts();
  ASSERT_EQ(midi.open(0), std::nullopt);
  midi.send(0x793C90);
  EXPECT_EQ(midi.takeLostOutputError(), std::nullopt);
  Winmm::closes = 0;
  Winmm::sendAnswer = MMSYSERR_NODRIVER;
  midi.send(0x103C80);
  midi.send(0x793E90);
  Winmm::sendAnswer = MMSYSERR_NOERROR;
  EXPECT_EQ(midi.takeLostOutputError(),
            u"MIDI出力装置「USB Keys」が見つかりません。接続を確かめてください。"_s);
  EXPECT_EQ(midi.takeLostOutputError(), std::nullopt);
  EXPECT_FALSE(midi.isOpen());
  EXPECT_EQ(Winmm::closes, 1);
}

}  // namespace
}  // namespace orv::platform
