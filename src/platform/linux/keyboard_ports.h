#pragma once

// Which ports of the ALSA sequencer and of a JACK server are keyboards to listen to.

#include <string>
#include <string_view>

namespace orv::platform {

// The editor's own input, as a patchbay shows it: client, then port.
inline constexpr char kInputClientName[] = "OrvEditor-input";
inline constexpr char kInputPortName[] = "keyboards";

// A port of the ALSA sequencer as the announce port and the client list tell of it.
struct SequencerPort {
  int client = 0;
  std::string clientName;
  unsigned int capability = 0;  // SND_SEQ_PORT_CAP_* bits
  bool ownProcess = false;      // one of this program's clients (our input, our output)
  bool fedByUs = false;         // a client our output sends to: what it echoes must not return
};

// A port other programs may read from, except the system's own, "Midi Through" and ours.
bool isKeyboardPort(const SequencerPort& port);

// A JACK physical capture port by its full name, except ours (`ownPrefix` is "client:") and
// those that bridge "Midi Through".
bool isKeyboardPort(std::string_view fullName, std::string_view ownPrefix);

}  // namespace orv::platform
