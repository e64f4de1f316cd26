#include "platform/keyboard_source.h"

#include <windows.h>

#include <mmsystem.h>

#include <QTimer>

#include <memory>
#include <vector>

#include "platform/midi_input_queue.h"

namespace orv::platform {

namespace {

// One open input device.
struct Device {
  explicit Device(MidiInputQueue& q) : queue(q) {}

  MidiInputQueue& queue;
  HMIDIIN handle = nullptr;
  // Followed by the callback while the device is open, by the window's thread once it is closed.
  HeldKeys held;
};

// Runs on a system thread, where calling winmm again can deadlock: it only queues.
void CALLBACK received(HMIDIIN, UINT message, DWORD_PTR instance, DWORD_PTR data, DWORD_PTR) {
  if (message != MIM_DATA) return;
  auto& device = *reinterpret_cast<Device*>(instance);
  const unsigned char bytes[3] = {static_cast<unsigned char>(data & 0xFF),
                                  static_cast<unsigned char>((data >> 8) & 0xFF),
                                  static_cast<unsigned char>((data >> 16) & 0xFF)};
  device.held.follow(bytes, sizeof bytes);
  device.queue.push(bytes, sizeof bytes);
}

// How often the devices are counted again: winmm tells of none that come or go.
constexpr int kRecountMs = 500;

// Every winmm input device. winmm tells of none that come or go: they are counted again now and
// then, and when the number changed all are closed and opened again.
// Local to this file: its state is open to its own callbacks.
struct WinmmKeyboards final : KeyboardSource {
  explicit WinmmKeyboards(MidiInputQueue& q) : queue(q) {
    recount.setInterval(kRecountMs);
    QObject::connect(&recount, &QTimer::timeout, [this] {
      if (midiInGetNumDevs() == counted) return;
      closeAll();
      openAll();
    });
  }
  ~WinmmKeyboards() override { close(); }
  WinmmKeyboards(const WinmmKeyboards&) = delete;
  WinmmKeyboards& operator=(const WinmmKeyboards&) = delete;

  void open() override {
    openAll();
    recount.start();
  }
  void close() override {
    recount.stop();
    closeAll();
  }

  // A device that cannot be opened (another program has it) is skipped.
  void openAll() {
    counted = midiInGetNumDevs();
    for (UINT id = 0; id < counted; ++id) {
      auto device = std::make_unique<Device>(queue);
      if (midiInOpen(&device->handle, id, reinterpret_cast<DWORD_PTR>(&received),
                     reinterpret_cast<DWORD_PTR>(device.get()),
                     CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        continue;
      }
      midiInStart(device->handle);
      devices.push_back(std::move(device));
    }
  }

  // From the window's thread: once midiInClose has returned no callback runs for the device,
  // and the keys it held are let go.
  void closeAll() {
    for (const auto& device : devices) {
      midiInStop(device->handle);
      midiInReset(device->handle);
      midiInClose(device->handle);
      device->held.release(queue);
    }
    devices.clear();
  }

  MidiInputQueue& queue;
  std::vector<std::unique_ptr<Device>> devices;
  UINT counted = 0;
  QTimer recount;
};

}  // namespace

std::vector<std::unique_ptr<KeyboardSource>> systemKeyboardSources(MidiInputQueue& queue) {
  std::vector<std::unique_ptr<KeyboardSource>> sources;
  sources.push_back(std::make_unique<WinmmKeyboards>(queue));
  return sources;
}

}  // namespace orv::platform
