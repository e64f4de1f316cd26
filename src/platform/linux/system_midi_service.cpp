#include "platform/system_midi_service.h"

#include "platform/linux/modules.h"

#include <utility>

namespace orv::platform {

namespace {
// Stands for the ports where their module could not be loaded: a broken installation still has
// the synthesizer.
class NoPorts final : public MidiService {
 public:
  explicit NoPorts(QString error) : m_error(std::move(error)) {}
  QStringList outputPorts() override { return {}; }
  std::optional<QString> open(int) override {
    return QStringLiteral("MIDI出力ポートを準備できません。\n") + m_error;
  }
  void send(std::uint32_t) override {}
  void reset() override {}
  void close() override {}
  bool isOpen() const override { return false; }
  std::optional<QString> takeLostOutputError() override { return std::nullopt; }

 private:
  QString m_error;
};
}  // namespace

struct SystemMidiService::Impl {
  std::unique_ptr<MidiService> ports;  // loaded when first needed
  std::unique_ptr<MidiService> synth;  // loaded at the synthesizer's first open

  // The ports come before the synthesizer: loading them also quiets the sound libraries that the
  // synthesizer's ALSA and JACK drivers share.
  MidiService& systemPorts() {
    if (!ports) {
      QString error;
      ports = loadMidiService(kPortsModule, "orvCreateSystemPorts", error);
      if (!ports) ports = std::make_unique<NoPorts>(error);
    }
    return *ports;
  }
};

SystemMidiService::SystemMidiService() : m_impl(std::make_unique<Impl>()) {}

SystemMidiService::~SystemMidiService() = default;

QStringList SystemMidiService::outputPorts() {
  return m_impl->systemPorts().outputPorts();
}

std::optional<QString> SystemMidiService::open(int device) {
  close();
  MidiService& ports = m_impl->systemPorts();
  if (device != kBuiltInSynth) return ports.open(device);
  if (!m_impl->synth) {
    QString error;
    m_impl->synth = loadMidiService(kSynthModule, "orvCreateBuiltInSynth", error);
    if (!m_impl->synth) return QStringLiteral("内蔵シンセサイザーを準備できません。\n") + error;
  }
  return m_impl->synth->open(kBuiltInSynth);
}

void SystemMidiService::send(std::uint32_t message) {
  if (m_impl->synth) m_impl->synth->send(message);
  if (m_impl->ports) m_impl->ports->send(message);
}

void SystemMidiService::reset() {
  if (m_impl->synth) m_impl->synth->reset();
  if (m_impl->ports) m_impl->ports->reset();
}

void SystemMidiService::close() {
  if (m_impl->synth) m_impl->synth->close();
  if (m_impl->ports) m_impl->ports->close();
}

bool SystemMidiService::isOpen() const {
  return (m_impl->synth && m_impl->synth->isOpen()) || (m_impl->ports && m_impl->ports->isOpen());
}

std::optional<QString> SystemMidiService::takeLostOutputError() {
  if (m_impl->synth) {
    if (auto lost = m_impl->synth->takeLostOutputError()) return lost;
  }
  return m_impl->ports ? m_impl->ports->takeLostOutputError() : std::nullopt;
}

}  // namespace orv::platform
