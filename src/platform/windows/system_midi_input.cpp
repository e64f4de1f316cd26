#include "platform/system_midi_input.h"

#include <windows.h>

#include <mmsystem.h>

#include <QTimer>

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

}  // namespace

struct SystemMidiInput::Impl {
  MidiInputQueue queue;
  std::vector<std::unique_ptr<Device>> devices;
  UINT counted = 0;
  QTimer recount;

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
};

SystemMidiInput::SystemMidiInput() : m_impl(std::make_unique<Impl>()) {
  Impl& d = *m_impl;
  d.recount.setInterval(kRecountMs);
  QObject::connect(&d.recount, &QTimer::timeout, [&d] {
    if (midiInGetNumDevs() == d.counted) return;
    d.closeAll();
    d.openAll();
  });
}

SystemMidiInput::~SystemMidiInput() {
  close();
}

void SystemMidiInput::open(Receiver receiver) {
  close();
  m_impl->queue.start(std::move(receiver));
  m_impl->openAll();
  m_impl->recount.start();
}

void SystemMidiInput::close() {
  m_impl->recount.stop();
  m_impl->closeAll();
  m_impl->queue.stop();
}

bool SystemMidiInput::isOpen() const {
  return m_impl->queue.running();
}

std::uint64_t SystemMidiInput::droppedEvents() const {
  return m_impl->queue.dropped();
}

}  // namespace orv::platform
