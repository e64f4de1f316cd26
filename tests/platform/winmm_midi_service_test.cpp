#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/system_midi_service.h"
#include "support/import_patch.h"

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

// winmm as the test sets it up: the devices plugged in now, what opening and sending answer, and
// which device each open asked for.
struct Winmm {
  static inline QStringList devices;
  static inline MMRESULT openAnswer = MMSYSERR_NOERROR, sendAnswer = MMSYSERR_NOERROR;
  static inline std::vector<UINT> opened;

  static UINT WINAPI count() { return static_cast<UINT>(devices.size()); }
  static MMRESULT WINAPI caps(UINT_PTR device, LPMIDIOUTCAPSW caps, UINT) {
    caps->szPname[devices.at(static_cast<qsizetype>(device)).toWCharArray(caps->szPname)] = 0;
    return MMSYSERR_NOERROR;
  }
  static MMRESULT WINAPI open(LPHMIDIOUT handle, UINT device, DWORD_PTR, DWORD_PTR, DWORD) {
    opened.push_back(device);
    *handle = reinterpret_cast<HMIDIOUT>(0x1234);
    return openAnswer;
  }
  static MMRESULT WINAPI send(HMIDIOUT, DWORD) { return sendAnswer; }
  static MMRESULT WINAPI close(HMIDIOUT) { return MMSYSERR_NOERROR; }
  static MMRESULT WINAPI errorText(MMRESULT, LPWSTR text, UINT) {
    text[0] = 0;  // some drivers describe nothing
    return MMSYSERR_NOERROR;
  }
};

// winmm numbers devices by their place in today's list: a device opens under the number its name
// has now, the MIDI Mapper under its own; one that is gone, or unplugged while open, is named.
TEST(WinmmMidiService, OpensTheListedDeviceByItsNameAndNamesOneThatIsGone) {
  const test::ImportPatch patches[] = {
      {"midiOutGetNumDevs", reinterpret_cast<void*>(&Winmm::count)},
      {"midiOutGetDevCapsW", reinterpret_cast<void*>(&Winmm::caps)},
      {"midiOutOpen", reinterpret_cast<void*>(&Winmm::open)},
      {"midiOutShortMsg", reinterpret_cast<void*>(&Winmm::send)},
      {"midiOutClose", reinterpret_cast<void*>(&Winmm::close)},
      {"midiOutGetErrorTextW", reinterpret_cast<void*>(&Winmm::errorText)}};
  for (const auto& patch : patches) ASSERT_TRUE(patch.applied());
  SystemMidiService midi;
  const QString gone = u"MIDI出力装置「USB Keys」が見つかりません。接続を確かめてください。"_s;
  Winmm::devices = {u"USB Keys"_s, u"GS Synth"_s};
  ASSERT_EQ(midi.outputPorts(), Winmm::devices);
  EXPECT_EQ(midi.open(MidiService::kBuiltInSynth), std::nullopt);
  EXPECT_EQ(midi.open(1), std::nullopt);
  EXPECT_EQ(midi.open(0), std::nullopt);
  Winmm::sendAnswer = MMSYSERR_NODRIVER;  // the keyboard is pulled out while open
  midi.send(0x793C90);
  midi.send(0x103C80);
  EXPECT_EQ(midi.takeLostOutputError(), gone);
  EXPECT_EQ(std::pair(midi.takeLostOutputError(), midi.isOpen()),
            std::pair(std::optional<QString>(), false));
  Winmm::sendAnswer = MMSYSERR_NOERROR;
  Winmm::devices = {u"GS Synth"_s};
  EXPECT_EQ(midi.open(1), std::nullopt);
  EXPECT_EQ(midi.open(0), gone);
  EXPECT_EQ(Winmm::opened, (std::vector<UINT>{MIDI_MAPPER, 1, 0, 0}));
  // A refusal the system does not describe still says what could not be opened, and why.
  Winmm::openAnswer = MMSYSERR_ALLOCATED;
  EXPECT_EQ(midi.open(1), u"MIDI出力装置「GS Synth」を開けません。\nwinmm のエラー 4"_s);
}

}  // namespace
}  // namespace orv::platform
