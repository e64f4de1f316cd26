#include "platform/linux/keyboard_ports.h"

namespace orv::platform {

namespace {

// The sequencer's capability bits, as alsa/seq.h gives them; this file needs no ALSA header.
constexpr unsigned int kCapRead = 1U << 0;
constexpr unsigned int kCapSubsRead = 1U << 5;
constexpr unsigned int kCapNoExport = 1U << 7;
constexpr int kSystemClient = 0;
constexpr std::string_view kMidiThrough = "Midi Through";

}  // namespace

bool isKeyboardPort(const SequencerPort& port) {
  const unsigned int readable = kCapRead | kCapSubsRead;
  return port.client != kSystemClient && (port.capability & readable) == readable &&
         (port.capability & kCapNoExport) == 0 && port.clientName != kMidiThrough &&
         !port.ownProcess && !port.fedByUs;
}

void HeldBySource::played(int client, int port, const unsigned char* bytes, std::size_t size) {
  m_held[{client, port}].follow(bytes, size);
  m_queue.push(bytes, size);
}

void HeldBySource::gone(int client, int port) {
  for (auto it = m_held.begin(); it != m_held.end();) {
    if (it->first.first != client || (port >= 0 && it->first.second != port)) {
      ++it;
      continue;
    }
    it->second.release(m_queue);
    it = m_held.erase(it);
  }
}

bool isKeyboardPort(std::string_view fullName, std::string_view ownPrefix) {
  return !fullName.starts_with(ownPrefix) && fullName.find(kMidiThrough) == std::string_view::npos;
}

}  // namespace orv::platform
