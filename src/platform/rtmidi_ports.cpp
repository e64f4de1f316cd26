#include "platform/rtmidi_ports.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/midi_bytes.h"

namespace orv::platform {

namespace {

const char kClientName[] = "OrvEditor";

// libasound prints every failure on stderr (a machine without sound devices gets a page of them
// at each start); the program reports what matters in its own words instead.
void discardAlsaError(const char*, int, const char*, int, const char*, ...) {}

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

// The ALSA sequencer only: RtMidi's JACK client crashes on port calls when no JACK server runs.
std::unique_ptr<RtMidiOut> makeOutput(std::string& error) {
  try {
    std::unique_ptr<RtMidiOut> out;
    {
      const MutedCerr muted;
      out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
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

}  // namespace

struct RtMidiPorts::Impl {
  QStringList names;
  std::string error;  // the last error RtMidi reported
  std::unique_ptr<RtMidiOut> out;
  SoundingNotes notes;
  bool open = false;

  void sendBytes(const std::vector<unsigned char>& bytes) {
    if (!bytes.empty()) out->sendMessage(bytes.data(), bytes.size());
  }
};

RtMidiPorts::RtMidiPorts() : m_impl(std::make_unique<Impl>()) {
  snd_lib_error_set_handler(discardAlsaError);
  std::string error;
  const std::unique_ptr<RtMidiOut> lister = makeOutput(error);
  if (!lister) return;
  const unsigned int count = lister->getPortCount();
  for (unsigned int i = 0; i < count; ++i) {
    m_impl->names.append(QString::fromStdString(lister->getPortName(i)));
  }
}

RtMidiPorts::~RtMidiPorts() {
  close();
}

const QStringList& RtMidiPorts::names() const {
  return m_impl->names;
}

std::optional<QString> RtMidiPorts::open(int index) {
  close();
  Impl& d = *m_impl;
  if (index < 0 || index >= d.names.size()) {
    return QStringLiteral("MIDI出力装置 %1 はありません。").arg(index + 1);
  }
  const QString& name = d.names[index];
  d.error.clear();
  if (!d.out) d.out = makeOutput(d.error);
  if (!d.out) {
    return QStringLiteral("MIDI出力ポート「%1」を開けません。ALSAシーケンサーが使えません。\n%2")
        .arg(name, QString::fromStdString(d.error));
  }
  const std::string wanted = name.toStdString();
  const unsigned int count = d.out->getPortCount();
  int found = -1;
  for (unsigned int i = 0; i < count; ++i) {
    if (d.out->getPortName(i) != wanted) continue;
    found = static_cast<int>(i);
    if (found == index) break;
  }
  if (found < 0) {
    QString text =
        QStringLiteral("MIDI出力ポート「%1」が見つかりません。接続を確かめてください。").arg(name);
    if (!d.error.empty()) text += u'\n' + QString::fromStdString(d.error);
    return text;
  }
  d.error.clear();
  d.out->openPort(static_cast<unsigned int>(found), kClientName);
  if (!d.out->isPortOpen()) {
    return QStringLiteral("MIDI出力ポート「%1」を開けません。\n%2")
        .arg(name, QString::fromStdString(d.error));
  }
  d.notes.clear();
  d.open = true;
  return std::nullopt;
}

void RtMidiPorts::send(std::uint32_t message) {
  if (!m_impl->open) return;
  const std::vector<unsigned char> bytes = shortMessageBytes(message);
  m_impl->notes.track(bytes);
  m_impl->sendBytes(bytes);
}

void RtMidiPorts::reset() {
  if (!m_impl->open) return;
  for (const auto& bytes : m_impl->notes.takeSilencingMessages()) m_impl->sendBytes(bytes);
}

void RtMidiPorts::close() {
  if (!m_impl->open) return;
  m_impl->out->closePort();
  m_impl->notes.clear();
  m_impl->open = false;
}

bool RtMidiPorts::isOpen() const {
  return m_impl->open;
}

}  // namespace orv::platform
