#pragma once

#include "platform/ini_reader.h"
#include "platform/midi_input.h"
#include "platform/midi_service.h"
#include "platform/process_launcher.h"

namespace orv::platform {

// Stand-ins for services this build does not provide: they refuse politely and change nothing.
class UnavailableMidiService final : public MidiService {
 public:
  QStringList outputPorts() override { return {}; }
  std::optional<QString> open(int) override { return QStringLiteral("MIDI出力は利用できません。"); }
  void send(std::uint32_t) override {}
  void reset() override {}
  void close() override {}
  bool isOpen() const override { return false; }
};

class UnavailableMidiInput final : public MidiInput {
 public:
  void open(Receiver) override {}
  void close() override {}
  bool isOpen() const override { return false; }
  std::uint64_t droppedEvents() const override { return 0; }
};

class UnavailableProcessLauncher final : public ProcessLauncher {
 public:
  Started start(const QString&, const QStringList&) override {
    return {std::nullopt, QStringLiteral("プログラムの起動は利用できません。")};
  }
  bool waitForEnd(ProcessId, const QObject*) override { return true; }
};

class UnavailableIniReader final : public IniReader {
 public:
  QString readString(const QString&, const QString&, const QString&,
                     const QString& defaultValue) override {
    return defaultValue;
  }
};

}  // namespace orv::platform
