#include <jack/jack.h>
#include <jack/midiport.h>

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <string>

#include "platform/linux/keyboard_ports.h"
#include "platform/midi_input_queue.h"

namespace orv::platform {

namespace {

// libjack prints on stderr when no server runs or one has just stopped.
void discardJackMessage(const char*) {}

// Local to this file: its state is open to its own callbacks.
struct JackKeyboards final : KeyboardSource {
  explicit JackKeyboards(MidiInputQueue& q) : queue(q) {
    jack_set_error_function(discardJackMessage);
    jack_set_info_function(discardJackMessage);
    retry.setInterval(1000);
    QObject::connect(&retry, &QTimer::timeout, &context, [this] {
      if (client == nullptr) connectServer();
    });
  }
  ~JackKeyboards() override { close(); }
  JackKeyboards(const JackKeyboards&) = delete;
  JackKeyboards& operator=(const JackKeyboards&) = delete;

  // A server that starts or comes back while open is found within a second.
  void open() override {
    connectServer();
    retry.start();
  }
  void close() override {
    retry.stop();
    closeClient();
  }

  MidiInputQueue& queue;
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  // Followed by the server's process thread alone: the keys down at our port, from every
  // keyboard connected to it (their events arrive merged).
  HeldKeys held;
  // Set by the server's notice thread when a port connected to ours went: its keys are let go on
  // the next cycle, with all others, as the merged events cannot tell whose they were.
  std::atomic<bool> letGo{false};
  std::atomic<bool> serverGone{false};
  QObject context;  // on the window's thread, where connections are made
  QTimer retry;

  static int process(jack_nframes_t frames, void* self);
  void connectServer();
  void connectKeyboards();
  void closeClient();
};

int JackKeyboards::process(jack_nframes_t frames, void* self) {
  auto& d = *static_cast<JackKeyboards*>(self);
  if (d.letGo.exchange(false)) d.held.release(d.queue);
  void* buffer = jack_port_get_buffer(d.port, frames);
  const jack_nframes_t count = jack_midi_get_event_count(buffer);
  for (jack_nframes_t i = 0; i < count; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) != 0) continue;
    d.held.follow(event.buffer, event.size);
    d.queue.push(event.buffer, event.size);
  }
  return 0;
}

// Connects every physical capture port not yet connected; one that refuses is left alone.
void JackKeyboards::connectKeyboards() {
  if (client == nullptr) return;
  const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                      JackPortIsOutput | JackPortIsPhysical);
  if (ports == nullptr) return;
  const std::string own = std::string(jack_get_client_name(client)) + ':';
  for (const char** name = ports; *name != nullptr; ++name) {
    if (!isKeyboardPort(*name, own) || jack_port_connected_to(port, *name)) continue;
    jack_connect(client, *name, jack_port_name(port));
  }
  jack_free(ports);
}

void JackKeyboards::closeClient() {
  if (client == nullptr) return;
  // A client whose server has ended would wait for a cycle that never comes.
  if (!serverGone.exchange(false)) jack_deactivate(client);
  jack_client_close(client);
  client = nullptr;
  port = nullptr;
  letGo = false;
  held = {};
}

void JackKeyboards::connectServer() {
  JackKeyboards& d = *this;
  if (d.client != nullptr) return;
  d.client = jack_client_open(kInputClientName, JackNoStartServer, nullptr);
  if (d.client == nullptr) return;
  d.port = jack_port_register(d.client, kInputPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (d.port == nullptr) return d.closeClient();
  jack_set_process_callback(d.client, process, &d);
  // The notices come on the server's thread, where no server call may be made: the connection
  // is made on the window's.
  jack_set_port_registration_callback(
      d.client,
      [](jack_port_id_t, int registered, void* self) {
        auto& impl = *static_cast<JackKeyboards*>(self);
        if (registered == 0) return;
        QMetaObject::invokeMethod(
            &impl.context, [&impl] { impl.connectKeyboards(); }, Qt::QueuedConnection);
      },
      &d);
  jack_set_port_connect_callback(
      d.client,
      [](jack_port_id_t a, jack_port_id_t b, int connected, void* self) {
        auto& impl = *static_cast<JackKeyboards*>(self);
        if (connected != 0) return;
        if (jack_port_by_id(impl.client, a) == impl.port ||
            jack_port_by_id(impl.client, b) == impl.port) {
          impl.letGo = true;
        }
      },
      &d);
  // The process thread has stopped for good: its keys are let go here, then the client closed.
  jack_on_shutdown(
      d.client,
      [](void* self) {
        auto& impl = *static_cast<JackKeyboards*>(self);
        impl.held.release(impl.queue);
        impl.serverGone = true;
        QMetaObject::invokeMethod(
            &impl.context,
            [&impl] {
              if (impl.serverGone) impl.closeClient();
            },
            Qt::QueuedConnection);
      },
      &d);
  if (jack_activate(d.client) != 0) return d.closeClient();
  d.connectKeyboards();
}

}  // namespace

std::unique_ptr<KeyboardSource> jackKeyboards(MidiInputQueue& queue) {
  return std::make_unique<JackKeyboards>(queue);
}

}  // namespace orv::platform
