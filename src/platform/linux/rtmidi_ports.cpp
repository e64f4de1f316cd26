#include "platform/linux/rtmidi_ports.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <atomic>
#include <exception>
#include <iostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/keyboard_ports.h"
#include "platform/midi_bytes.h"

namespace orv::platform {

namespace {

const char kClientName[] = "OrvEditor";
// RtMidi keeps its JACK client to itself; this second client of ours lists the ports and hears
// of the server's end and of ports going away.
const char kWatchClientName[] = "OrvEditor-watch";

// libasound prints every failure on stderr (a machine without sound devices gets a page of them
// at each start); the program reports what matters in its own words instead.
void discardAlsaError(const char*, int, const char*, int, const char*, ...) {}
// libjack does the same for a server that is not running or has just stopped.
void discardJackMessage(const char*) {}

void keepError(RtMidiError::Type type, const std::string& text, void* data) {
  if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING) return;
  *static_cast<std::string*>(data) = text;
}

// RtMidi writes its errors to std::cerr until an error callback is set, which can only happen
// after the constructor has succeeded; it is muted for the construction alone.
class MutedCerr {
 public:
  MutedCerr() : m_saved(std::cerr.rdbuf(nullptr)) {}
  ~MutedCerr() { std::cerr.rdbuf(m_saved); }
  MutedCerr(const MutedCerr&) = delete;
  MutedCerr& operator=(const MutedCerr&) = delete;

 private:
  std::streambuf* m_saved;
};

// RtMidi's JACK output is made only once a JackWatch has found a server: its port calls crash
// when it has no client.
std::unique_ptr<RtMidiOut> makeOutput(RtMidi::Api api, std::string& error) {
  try {
    std::unique_ptr<RtMidiOut> out;
    {
      const MutedCerr muted;
      out = std::make_unique<RtMidiOut>(api, kClientName);
    }
    out->setErrorCallback(keepError, &error);
    return out;
  } catch (const RtMidiError& e) {
    error = e.getMessage();
  } catch (const std::exception& e) {
    error = e.what();
  }
  return nullptr;
}

// The place of the port named `wanted` in `out`'s current list (see findPort in midi_bytes.h).
int findPort(RtMidiOut& out, const std::string& wanted, int listed) {
  QStringList today;
  const unsigned int count = out.getPortCount();
  for (unsigned int i = 0; i < count; ++i) today << QString::fromStdString(out.getPortName(i));
  return platform::findPort(today, QString::fromStdString(wanted), listed);
}

QString refusedText(const QString& name) {
  return QStringLiteral("MIDI出力ポート「%1」につなげません。")
      .arg(name)
      .append(QStringLiteral("そのポートのプログラムが動いているか確かめてください。"));
}

QString notFoundText(const QString& name) {
  return QStringLiteral("MIDI出力ポート「%1」が見つかりません。接続を確かめてください。").arg(name);
}

// Full names ("client:port") of a running JACK server's ports that take MIDI in, in the server's
// order; none, at once, where no server runs. The client only asks, so it is never activated.
std::vector<std::string> jackMidiInputs() {
  std::vector<std::string> names;
  jack_client_t* client = jack_client_open(kWatchClientName, JackNoStartServer, nullptr);
  if (client == nullptr) return names;
  if (const char** ports =
          jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
    for (const char** port = ports; *port != nullptr; ++port) names.emplace_back(*port);
    jack_free(ports);
  }
  jack_client_close(client);
  return names;
}

// A JACK client that never starts a server. JACK's own thread tells it when the server ends or
// any port comes or goes; the flags are read on ours.
class JackWatch {
 public:
  // Null where no JACK server runs.
  static std::unique_ptr<JackWatch> connect() {
    jack_client_t* client = jack_client_open(kWatchClientName, JackNoStartServer, nullptr);
    if (client == nullptr) return nullptr;
    std::unique_ptr<JackWatch> watch(new JackWatch(client));
    jack_on_shutdown(
        client, [](void* self) { static_cast<JackWatch*>(self)->m_serverGone = true; },
        watch.get());
    jack_set_port_registration_callback(
        client,
        [](jack_port_id_t, int, void* self) {
          static_cast<JackWatch*>(self)->m_portsChanged = true;
        },
        watch.get());
    jack_activate(client);
    return watch;
  }

  ~JackWatch() { jack_client_close(m_client); }
  JackWatch(const JackWatch&) = delete;
  JackWatch& operator=(const JackWatch&) = delete;

  // False once the server has ended or the port named `name` has gone. Asks the server only
  // after some port came or went.
  bool stillHas(const std::string& name) {
    if (m_serverGone) return false;
    if (!m_portsChanged.exchange(false)) return true;
    return jack_port_by_name(m_client, name.c_str()) != nullptr;
  }

  // The full names of the ports connected to the port named `name`; none where it is gone.
  std::set<std::string> connectionsOf(const std::string& name) const {
    std::set<std::string> names;
    jack_port_t* port = jack_port_by_name(m_client, name.c_str());
    const char** connected = port ? jack_port_get_all_connections(m_client, port) : nullptr;
    if (connected == nullptr) return names;
    for (const char** n = connected; *n != nullptr; ++n) names.insert(*n);
    jack_free(connected);
    return names;
  }

 private:
  explicit JackWatch(jack_client_t* client) : m_client(client) {}

  jack_client_t* m_client;
  std::atomic<bool> m_serverGone{false};
  std::atomic<bool> m_portsChanged{false};
};

}  // namespace

struct RtMidiPorts::Impl {
  QStringList names;  // the ALSA sequencer's ports, then the JACK server's
  int alsaCount = 0;
  bool isListed = false;
  std::string error;  // the last error RtMidi reported
  std::unique_ptr<RtMidiOut> alsa;
  // While a JACK port is open: the output connected to it and the watch on its server.
  std::unique_ptr<RtMidiOut> jack;
  std::unique_ptr<JackWatch> watch;
  std::string jackPort;
  RtMidiOut* out = nullptr;  // the open output, or null
  QString openName;
  SoundingNotes notes;
  std::optional<QString> lost;

  // The ports, listed at the first call.
  const QStringList& listed();
  std::optional<QString> openAlsa(int index);
  std::optional<QString> openJack(int index);
  void opened(RtMidiOut& output, const QString& name);
  // False, with the output closed and the error kept for the caller, once a JACK port has gone.
  bool stillThere();
  void closeOutput();

  void sendBytes(const std::vector<unsigned char>& bytes) {
    if (!bytes.empty()) out->sendMessage(bytes.data(), bytes.size());
  }
};

std::optional<QString> RtMidiPorts::Impl::openAlsa(int index) {
  const QString& name = names[index];
  error.clear();
  if (!alsa) alsa = makeOutput(RtMidi::LINUX_ALSA, error);
  if (!alsa) {
    return QStringLiteral("MIDI出力ポート「%1」を開けません。ALSAシーケンサーが使えません。\n%2")
        .arg(name, QString::fromStdString(error));
  }
  const int found = findPort(*alsa, name.toStdString(), index);
  if (found < 0) {
    QString text = notFoundText(name);
    if (!error.empty()) text += u'\n' + QString::fromStdString(error);
    return text;
  }
  error.clear();
  alsa->openPort(static_cast<unsigned int>(found), kClientName);
  if (!alsa->isPortOpen()) {
    return QStringLiteral("MIDI出力ポート「%1」を開けません。\n%2")
        .arg(name, QString::fromStdString(error));
  }
  opened(*alsa, name);
  return std::nullopt;
}

// A fresh client for each opening: one left from an earlier server would be dead.
std::optional<QString> RtMidiPorts::Impl::openJack(int index) {
  const QString& name = names[index];
  watch = JackWatch::connect();
  if (!watch) return notFoundText(name);
  error.clear();
  jack = makeOutput(RtMidi::UNIX_JACK, error);
  const std::string wanted = name.toStdString();
  int found = jack ? findPort(*jack, wanted, index - alsaCount) : -1;
  const std::set<std::string> before = watch->connectionsOf(wanted);
  if (found >= 0) jack->openPort(static_cast<unsigned int>(found), kClientName);
  // Our own port's arrival set the watch's flag: asking now clears it and proves the port stayed.
  if (found >= 0 && !watch->stillHas(wanted)) found = -1;
  // RtMidi does not say whether its connection was made. A program whose client is not taking
  // part in the server's cycles (still starting, or stopped) refuses it, and every note would go
  // nowhere while the switch showed MIDI on.
  const bool refused =
      found >= 0 && error.empty() && watch->connectionsOf(wanted).size() <= before.size();
  if (found < 0 || !error.empty() || refused) {
    QString text = found < 0 ? notFoundText(name)
                   : refused ? refusedText(name)
                             : QStringLiteral("MIDI出力ポート「%1」を開けません。").arg(name);
    if (!error.empty()) text += u'\n' + QString::fromStdString(error);
    jack.reset();
    watch.reset();
    return text;
  }
  jackPort = wanted;
  opened(*jack, name);
  return std::nullopt;
}

void RtMidiPorts::Impl::opened(RtMidiOut& output, const QString& name) {
  out = &output;
  openName = name;
}

bool RtMidiPorts::Impl::stillThere() {
  if (!watch || watch->stillHas(jackPort)) return true;
  lost = notFoundText(openName);
  closeOutput();
  return false;
}

void RtMidiPorts::Impl::closeOutput() {
  if (out == nullptr) return;
  // After the server has ended this waits a second for a cycle that never comes (RtMidi's own
  // limit); that happens once, when the loss is noticed.
  out->closePort();
  out = nullptr;
  jack.reset();
  watch.reset();
  jackPort.clear();
  // Every opening starts here (open closes first), so no note of this port reaches the next.
  notes.clear();
}

RtMidiPorts::RtMidiPorts() : m_impl(std::make_unique<Impl>()) {
  snd_lib_error_set_handler(discardAlsaError);
  jack_set_error_function(discardJackMessage);
  jack_set_info_function(discardJackMessage);
}

// Reading ALSA's configuration and asking for a JACK server takes several milliseconds, which
// nobody waits for before the first look at the list.
const QStringList& RtMidiPorts::Impl::listed() {
  if (isListed) return names;
  isListed = true;
  // The keyboards' input port of this or another editor is no output to choose.
  const std::string keyboards = std::string(kInputClientName) + ':';
  auto list = [&](const std::string& name) {
    if (!name.starts_with(keyboards)) names.append(QString::fromStdString(name));
  };
  std::string listError;
  if (const std::unique_ptr<RtMidiOut> lister = makeOutput(RtMidi::LINUX_ALSA, listError)) {
    const unsigned int count = lister->getPortCount();
    for (unsigned int i = 0; i < count; ++i) list(lister->getPortName(i));
  }
  alsaCount = static_cast<int>(names.size());
  for (const std::string& name : jackMidiInputs()) list(name);
  return names;
}

RtMidiPorts::~RtMidiPorts() {
  close();
}

const QStringList& RtMidiPorts::names() const {
  return m_impl->listed();
}

std::optional<QString> RtMidiPorts::open(int index) {
  close();
  if (index < 0 || index >= m_impl->listed().size()) {
    return QStringLiteral("MIDI出力装置 %1 はありません。").arg(index + 1);
  }
  return index < m_impl->alsaCount ? m_impl->openAlsa(index) : m_impl->openJack(index);
}

void RtMidiPorts::send(std::uint32_t message) {
  Impl& d = *m_impl;
  if (d.out == nullptr || !d.stillThere()) return;
  const std::vector<unsigned char> bytes = shortMessageBytes(message);
  d.notes.track(bytes);
  d.sendBytes(bytes);
}

void RtMidiPorts::reset() {
  Impl& d = *m_impl;
  if (d.out == nullptr || !d.stillThere()) return;
  for (const auto& bytes : d.notes.takeSilencingMessages()) d.sendBytes(bytes);
}

void RtMidiPorts::close() {
  m_impl->lost.reset();
  m_impl->closeOutput();
}

bool RtMidiPorts::isOpen() const {
  return m_impl->out != nullptr;
}

std::optional<QString> RtMidiPorts::takeLostOutputError() {
  return std::exchange(m_impl->lost, std::nullopt);
}

}  // namespace orv::platform
