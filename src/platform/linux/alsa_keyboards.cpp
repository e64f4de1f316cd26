#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/linux/keyboard_ports.h"
#include "platform/midi_input_queue.h"

namespace orv::platform {

namespace {

// libasound prints each failure on stderr, a machine without a sequencer included.
void discardAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Clients that ports of this program's own clients send to: our output's port among them.
std::set<int> clientsFedByUs(snd_seq_t* seq) {
  std::set<int> fed;
  snd_seq_client_info_t* client;
  snd_seq_port_info_t* port;
  snd_seq_query_subscribe_t* query;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  snd_seq_query_subscribe_alloca(&query);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq, client) >= 0) {
    if (snd_seq_client_info_get_pid(client) != getpid()) continue;
    snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(seq, port) >= 0) {
      snd_seq_query_subscribe_set_root(query, snd_seq_port_info_get_addr(port));
      snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_READ);
      snd_seq_query_subscribe_set_index(query, 0);
      while (snd_seq_query_port_subscribers(seq, query) >= 0) {
        fed.insert(snd_seq_query_subscribe_get_addr(query)->client);
        snd_seq_query_subscribe_set_index(query, snd_seq_query_subscribe_get_index(query) + 1);
      }
    }
  }
  return fed;
}

SequencerPort describe(snd_seq_t* seq, snd_seq_client_info_t* client, snd_seq_port_info_t* port,
                       const std::set<int>& fed) {
  SequencerPort described;
  described.client = snd_seq_client_info_get_client(client);
  described.clientName = snd_seq_client_info_get_name(client);
  described.capability = snd_seq_port_info_get_capability(port);
  described.ownProcess =
      snd_seq_client_info_get_pid(client) == getpid() || described.client == snd_seq_client_id(seq);
  // A device may well be the keyboard whose own sound was chosen; a program that hears our
  // notes may send them straight back.
  described.fedByUs =
      fed.contains(described.client) && snd_seq_client_info_get_type(client) == SND_SEQ_USER_CLIENT;
  return described;
}

// Local to this file: its state is open to its own callbacks.
struct AlsaKeyboards final : KeyboardSource {
  explicit AlsaKeyboards(MidiInputQueue& q) : queue(q) {
    snd_lib_error_set_handler(discardAlsaError);
  }
  ~AlsaKeyboards() override { closeSequencer(); }
  AlsaKeyboards(const AlsaKeyboards&) = delete;
  AlsaKeyboards& operator=(const AlsaKeyboards&) = delete;

  void open() override;
  void close() override { closeSequencer(); }

  MidiInputQueue& queue;
  snd_seq_t* seq = nullptr;
  int port = -1;
  int stopPipe[2] = {-1, -1};
  std::thread reader;
  // Followed by the reader thread alone.
  HeldBySource held{queue};

  void subscribeAll();
  void subscribe(int client, int port);
  void read();
  void handle(const snd_seq_event_t& event);
  void closeSequencer();
};

// A port that refuses (one that takes a single reader, or is gone again) is skipped.
void AlsaKeyboards::subscribe(int client, int sourcePort) {
  snd_seq_client_info_t* info;
  snd_seq_port_info_t* portInfo;
  snd_seq_client_info_alloca(&info);
  snd_seq_port_info_alloca(&portInfo);
  if (snd_seq_get_any_client_info(seq, client, info) < 0) return;
  if (snd_seq_get_any_port_info(seq, client, sourcePort, portInfo) < 0) return;
  if (!isKeyboardPort(describe(seq, info, portInfo, clientsFedByUs(seq)))) return;
  snd_seq_connect_from(seq, port, client, sourcePort);
}

void AlsaKeyboards::subscribeAll() {
  const std::set<int> fed = clientsFedByUs(seq);
  snd_seq_client_info_t* client;
  snd_seq_port_info_t* portInfo;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&portInfo);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq, client) >= 0) {
    snd_seq_port_info_set_client(portInfo, snd_seq_client_info_get_client(client));
    snd_seq_port_info_set_port(portInfo, -1);
    while (snd_seq_query_next_port(seq, portInfo) >= 0) {
      if (!isKeyboardPort(describe(seq, client, portInfo, fed))) continue;
      const snd_seq_addr_t* source = snd_seq_port_info_get_addr(portInfo);
      snd_seq_connect_from(seq, port, source->client, source->port);
    }
  }
}

void AlsaKeyboards::handle(const snd_seq_event_t& event) {
  const snd_seq_addr_t& from = event.source;
  unsigned char bytes[3] = {};
  switch (event.type) {
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
      bytes[0] = static_cast<unsigned char>((event.type == SND_SEQ_EVENT_NOTEON ? 0x90 : 0x80) |
                                            (event.data.note.channel & 0x0F));
      bytes[1] = event.data.note.note & 0x7F;
      bytes[2] = event.data.note.velocity & 0x7F;
      break;
    case SND_SEQ_EVENT_CONTROLLER:
      bytes[0] = static_cast<unsigned char>(0xB0 | (event.data.control.channel & 0x0F));
      bytes[1] = static_cast<unsigned char>(event.data.control.param & 0x7F);
      bytes[2] = static_cast<unsigned char>(event.data.control.value & 0x7F);
      break;
    case SND_SEQ_EVENT_PORT_START:
      subscribe(event.data.addr.client, event.data.addr.port);
      return;
    case SND_SEQ_EVENT_PORT_EXIT:
      held.gone(event.data.addr.client, event.data.addr.port);
      return;
    case SND_SEQ_EVENT_CLIENT_EXIT:
      held.gone(event.data.addr.client, -1);
      return;
    case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
      // Any unsubscription is announced; only one from our port lets go.
      if (event.data.connect.dest.client == snd_seq_client_id(seq) &&
          event.data.connect.dest.port == port) {
        held.gone(event.data.connect.sender.client, event.data.connect.sender.port);
      }
      return;
    default:
      return;
  }
  held.played(from.client, from.port, bytes, sizeof bytes);
}

void AlsaKeyboards::read() {
  const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
  std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
  fds[0] = {stopPipe[0], POLLIN, 0};
  snd_seq_poll_descriptors(seq, fds.data() + 1, static_cast<unsigned int>(count), POLLIN);
  for (;;) {
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
    if ((fds[0].revents & POLLIN) != 0) return;
    snd_seq_event_t* event = nullptr;
    // Non-blocking: -EAGAIN once everything waiting was read; -ENOSPC when the sequencer's own
    // pool overflowed and events were lost on its side.
    int left = 0;
    while ((left = snd_seq_event_input(seq, &event)) >= 0 || left == -ENOSPC) {
      if (event != nullptr && left >= 0) handle(*event);
    }
  }
}

void AlsaKeyboards::closeSequencer() {
  if (reader.joinable()) {
    const char stop = 1;
    static_cast<void>(write(stopPipe[1], &stop, 1));
    reader.join();
  }
  for (int& fd : stopPipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  if (seq != nullptr) snd_seq_close(seq);
  seq = nullptr;
  held.clear();
}

void AlsaKeyboards::open() {
  AlsaKeyboards& d = *this;
  if (d.seq != nullptr) return;
  if (snd_seq_open(&d.seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
    d.seq = nullptr;
    return;
  }
  snd_seq_set_client_name(d.seq, kInputClientName);
  d.port = snd_seq_create_simple_port(
      d.seq, kInputPortName, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (d.port < 0 || pipe(d.stopPipe) != 0) return d.closeSequencer();
  snd_seq_connect_from(d.seq, d.port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
  d.subscribeAll();
  d.reader = std::thread([&d] { d.read(); });
}

}  // namespace

std::unique_ptr<KeyboardSource> alsaKeyboards(MidiInputQueue& queue) {
  return std::make_unique<AlsaKeyboards>(queue);
}

}  // namespace orv::platform
