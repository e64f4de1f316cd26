#pragma once

// What the system's MIDI threads hand to the window's: a bounded queue that never blocks or
// allocates on the sending side, and delivers on the window's thread from its event loop.

#include <QObject>

#include <array>
#include <atomic>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/midi_input.h"

namespace orv::platform {

class MidiInputQueue {
 public:
  // Room for this many events; note ons and pedal presses leave the last kReserve places free,
  // so the note off of every note let in always finds a place.
  static constexpr std::size_t kCapacity = 4096;
  static constexpr std::size_t kReserve = 192;
  // Events handled in one pass of the window's event loop: the window's own events come between.
  static constexpr int kBatch = 64;

  // Made on the window's thread, which events are delivered on.
  MidiInputQueue();
  ~MidiInputQueue();
  MidiInputQueue(const MidiInputQueue&) = delete;
  MidiInputQueue& operator=(const MidiInputQueue&) = delete;

  // Window's thread. Start before any sender runs; stop after the last has stopped.
  void start(MidiInput::Receiver receiver);
  void stop();
  bool running() const { return m_running.load(std::memory_order_acquire); }

  // Any thread, one raw MIDI message as a keyboard sent it. Keeps note ons and offs (a second
  // note on of a note already down is dropped: a key cannot be struck twice without a release)
  // and the pedal going down; everything else is let go without a trace.
  void push(const unsigned char* bytes, std::size_t size) noexcept;

  std::uint64_t dropped() const { return m_dropped.load(std::memory_order_relaxed); }

 private:
  struct Cell {
    std::atomic<std::size_t> sequence;
    PlayedEvent event;
  };

  bool enqueue(const PlayedEvent& event, std::size_t limit) noexcept;
  std::optional<PlayedEvent> dequeue() noexcept;
  void wake() noexcept;
  void deliver();
  void discardWaiting();

  std::unique_ptr<std::array<Cell, kCapacity>> m_cells;
  std::atomic<std::size_t> m_enqueuePos{0};
  std::atomic<std::size_t> m_dequeuePos{0};
  std::array<std::atomic<bool>, 128> m_down{};
  std::atomic<bool> m_pedalDown{false};
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_wakeArmed{false};
  std::atomic<std::uint64_t> m_dropped{0};
  std::shared_ptr<const MidiInput::Receiver> m_receiver;
  QObject m_context;  // lives on the window's thread; deliveries are posted to it
};

// The keys and pedal one keyboard holds down, followed by the thread that reads that keyboard, so
// that a keyboard that goes away can let go of them.
class HeldKeys {
 public:
  void follow(const unsigned char* bytes, std::size_t size);
  // Pushes a note off for every key held and the pedal's release, then forgets them.
  void release(MidiInputQueue& queue);

 private:
  std::bitset<128> m_notes;
  bool m_pedal = false;
};

}  // namespace orv::platform
