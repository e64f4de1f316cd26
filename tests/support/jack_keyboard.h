#pragma once

// A MIDI keyboard on a JACK server, as a USB keyboard's driver shows it there: a client with one
// physical MIDI capture port. What is played goes out in the server's next cycles, in order.

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <string>
#include <vector>

namespace orv::test {

class JackKeyboard {
 public:
  explicit JackKeyboard(const char* name) {
    m_client = jack_client_open(name, JackNoStartServer, nullptr);
    if (m_client == nullptr) return;
    m_port = jack_port_register(m_client, "midi_capture_1", JACK_DEFAULT_MIDI_TYPE,
                                JackPortIsOutput | JackPortIsPhysical | JackPortIsTerminal, 0);
    m_ring = jack_ringbuffer_create(1 << 18);
    jack_set_process_callback(m_client, process, this);
    jack_activate(m_client);
  }
  ~JackKeyboard() {
    if (m_client != nullptr) jack_client_close(m_client);
    if (m_ring != nullptr) jack_ringbuffer_free(m_ring);
  }
  JackKeyboard(const JackKeyboard&) = delete;
  JackKeyboard& operator=(const JackKeyboard&) = delete;

  bool ready() const { return m_port != nullptr; }
  std::string portName() const { return jack_port_name(m_port); }
  bool connectedTo(const char* port) const { return jack_port_connected_to(m_port, port) != 0; }
  // False while the other port's client has not yet started: JACK refuses the connection then.
  bool connect(const char* port) {
    return jack_connect(m_client, jack_port_name(m_port), port) == 0;
  }

  // From one thread at a time; false when the ring is full.
  bool play(std::vector<unsigned char> bytes) {
    if (jack_ringbuffer_write_space(m_ring) < bytes.size() + 1) return false;
    const auto size = static_cast<char>(bytes.size());
    jack_ringbuffer_write(m_ring, &size, 1);
    jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
  }

 private:
  // As many messages as the cycle's buffer takes; the rest wait for the next cycle.
  static int process(jack_nframes_t frames, void* self) {
    auto& k = *static_cast<JackKeyboard*>(self);
    void* buffer = jack_port_get_buffer(k.m_port, frames);
    jack_midi_clear_buffer(buffer);
    unsigned char record[257];  // the size, then the message
    while (jack_ringbuffer_peek(k.m_ring, reinterpret_cast<char*>(record), 1) == 1) {
      const std::size_t length = record[0];
      if (jack_ringbuffer_peek(k.m_ring, reinterpret_cast<char*>(record), length + 1) <
              length + 1 ||
          jack_midi_event_write(buffer, 0, record + 1, length) != 0) {
        break;
      }
      jack_ringbuffer_read_advance(k.m_ring, length + 1);
    }
    return 0;
  }

  jack_client_t* m_client = nullptr;
  jack_port_t* m_port = nullptr;
  jack_ringbuffer_t* m_ring = nullptr;
};

}  // namespace orv::test
