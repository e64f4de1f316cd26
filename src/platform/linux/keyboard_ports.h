#pragma once

// The keyboards of the ALSA sequencer and of a JACK server, and which of their ports are
// keyboards to listen to.

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/keyboard_source.h"
#include "platform/midi_input_queue.h"

namespace orv::platform {

// Every port of the ALSA sequencer that other programs may read from is subscribed to our input
// port, also one that appears later (the sequencer announces it). Nothing without a sequencer.
std::unique_ptr<KeyboardSource> alsaKeyboards(MidiInputQueue& queue);

// Every physical MIDI capture port of a running JACK server, also one that appears later, is
// connected to our input port; a user may connect anything else to it by hand. Nothing where no
// server runs: none is ever started.
std::unique_ptr<KeyboardSource> jackKeyboards(MidiInputQueue& queue);

// The editor's own input, as a patchbay shows it: client, then port.
inline constexpr char kInputClientName[] = "OrvEditor-input";
inline constexpr char kInputPortName[] = "keyboards";

// A port of the ALSA sequencer as the announce port and the client list tell of it.
struct SequencerPort {
  int client = 0;
  std::string clientName;
  unsigned int capability = 0;  // SND_SEQ_PORT_CAP_* bits
  bool ownProcess = false;      // one of this program's clients (our input, our output)
  // A program (not a device) our output sends to: what it echoes must not come back in.
  bool fedByUs = false;
};

// The keys each sequencer port holds down, followed by the thread that reads the sequencer, so
// that a port or client that goes away lets go of its keys.
class HeldBySource {
 public:
  explicit HeldBySource(MidiInputQueue& queue) : m_queue(queue) {}

  // Pushes what port `port` of `client` played.
  void played(int client, int port, const unsigned char* bytes, std::size_t size);
  // Port `port` of `client` went, or with port -1 the whole client.
  void gone(int client, int port);
  void clear() { m_held.clear(); }

 private:
  MidiInputQueue& m_queue;
  std::map<std::pair<int, int>, HeldKeys> m_held;
};

// A port other programs may read from, except the system's own, "Midi Through" and ours.
bool isKeyboardPort(const SequencerPort& port);

// A JACK physical capture port by its full name, except ours (`ownPrefix` is "client:") and
// those that bridge "Midi Through".
bool isKeyboardPort(std::string_view fullName, std::string_view ownPrefix);

}  // namespace orv::platform
