#pragma once

#include <cstdint>
#include <functional>

namespace orv::platform {

// One thing played on a keyboard, as the window handles it. Channels are not told apart.
struct PlayedEvent {
  enum class Kind : std::uint8_t {
    NoteOn,     // velocity above 0
    NoteOff,    // also a note on with velocity 0
    PedalDown,  // the sustain pedal (controller 64) went from below 64 to 64 or more
  };
  Kind kind = Kind::NoteOn;
  std::uint8_t note = 0;
  std::uint8_t velocity = 0;

  friend bool operator==(const PlayedEvent&, const PlayedEvent&) = default;
};

// The system's MIDI keyboards. While open, every keyboard the system has is listened to, also
// those plugged in later; a keyboard that cannot be opened is skipped without a word. Events
// reach the receiver on the thread that opened the input, from its event loop, never inside
// open() or close(). A keyboard that goes away while keys are down delivers their note offs.
class MidiInput {
 public:
  using Receiver = std::function<void(const PlayedEvent&)>;

  virtual ~MidiInput() = default;

  virtual void open(Receiver receiver) = 0;
  // Stops every keyboard and forgets what was still waiting; nothing is delivered afterwards.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Events refused since the program started because the window had not taken the earlier ones.
  virtual std::uint64_t droppedEvents() const = 0;
};

}  // namespace orv::platform
