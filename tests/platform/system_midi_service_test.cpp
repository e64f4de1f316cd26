#include "platform/system_midi_service.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <functional>
#include <iostream>

namespace orv::platform {
namespace {

// Everything written to the process's stderr while `run` runs, from C, C++ or the libraries.
std::string stderrOf(const std::function<void()>& run) {
  std::fflush(stderr);
  std::cerr.flush();
  QTemporaryFile capture;
  if (!capture.open()) return "(cannot capture stderr)";
  const int saved = dup(STDERR_FILENO);
  dup2(capture.handle(), STDERR_FILENO);
  run();
  std::fflush(stderr);
  std::cerr.flush();
  dup2(saved, STDERR_FILENO);
  ::close(saved);
  QFile written(capture.fileName());
  if (!written.open(QIODevice::ReadOnly)) return "(cannot read stderr)";
  return written.readAll().toStdString();
}

bool hasSequencer() {
  return QFileInfo::exists(QStringLiteral("/dev/snd/seq"));
}

TEST(SystemMidiService, WithoutASequencerListsNoPortsAndPrintsNothing) {
  if (hasSequencer()) GTEST_SKIP() << "this machine has an ALSA sequencer";
  std::optional<QString> synthError, portError;
  const std::string printed = stderrOf([&] {
    SystemMidiService service;
    EXPECT_TRUE(service.outputPorts().isEmpty());
    portError = service.open(0);
    service.send(0x793C90);
    service.reset();
    synthError = service.open(MidiService::kBuiltInSynth);
    service.send(0x793C90);
    service.reset();
    service.close();
  });
  EXPECT_EQ(printed, "");
  ASSERT_TRUE(portError);
  EXPECT_TRUE(portError->contains(QStringLiteral("MIDI出力装置 1 はありません")));
  // A machine with a sound server opens the synthesizer; one without says why in two lines.
  if (synthError) {
    const QStringList lines = synthError->split(u'\n');
    ASSERT_EQ(lines.size(), 2) << synthError->toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("内蔵シンセサイザー")));
    EXPECT_FALSE(lines[1].isEmpty());
  }
}

}  // namespace
}  // namespace orv::platform
