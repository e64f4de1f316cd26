#include "platform/linux/built_in_synth.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include "platform/midi_service.h"

namespace orv::platform {

namespace {

// Where the module is: installed, at its place relative to the program's folder; else in the
// build tree, where tests and benchmarks find it too.
QStringList modulePaths() {
  const QString programFolder =
      QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).path();
  return {QDir(programFolder).filePath(QStringLiteral(ORV_SYNTH_MODULE_FROM_BINDIR)),
          QStringLiteral(ORV_SYNTH_MODULE_IN_BUILD)};
}

}  // namespace

BuiltInSynth::BuiltInSynth() = default;
BuiltInSynth::~BuiltInSynth() = default;

std::optional<QString> BuiltInSynth::open() {
  if (!m_synth) {
    QString error;
    for (const QString& path : modulePaths()) {
      if (!QFileInfo::exists(path)) continue;
      // Never closed: the synthesizer's threads and the libraries' own state stay until the end.
      void* module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
      auto* create =
          module ? reinterpret_cast<MidiService* (*)()>(dlsym(module, "orvCreateBuiltInSynth"))
                 : nullptr;
      if (create != nullptr) {
        m_synth.reset(create());
        break;
      }
      error = QString::fromLocal8Bit(dlerror());
    }
    if (!m_synth) {
      return QStringLiteral("内蔵シンセサイザーを準備できません。\n") +
             (error.isEmpty() ? QStringLiteral("orveditor-synth.so がありません。") : error);
    }
  }
  return m_synth->open(MidiService::kBuiltInSynth);
}

void BuiltInSynth::send(std::uint32_t message) {
  if (m_synth) m_synth->send(message);
}

void BuiltInSynth::reset() {
  if (m_synth) m_synth->reset();
}

void BuiltInSynth::close() {
  if (m_synth) m_synth->close();
}

bool BuiltInSynth::isOpen() const {
  return m_synth && m_synth->isOpen();
}

std::optional<QString> BuiltInSynth::takeLostOutputError() {
  return m_synth ? m_synth->takeLostOutputError() : std::nullopt;
}

}  // namespace orv::platform
