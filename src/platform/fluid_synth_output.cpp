#include "platform/fluid_synth_output.h"

#include <QFile>
#include <QFileInfo>

#include <fluidsynth.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace orv::platform {

namespace {

// FluidSynth reports through a log shared by the whole process; it never reaches the terminal.
// While one of our calls runs, its errors are gathered into the calling object's sink.
struct LogSink {
  std::mutex mutex;
  std::string errors;
};

void discardLog(int, const char*, void*) {}

void gatherLog(int level, const char* message, void* data) {
  if (level > FLUID_ERR || message == nullptr) return;
  auto* sink = static_cast<LogSink*>(data);
  const std::lock_guard lock(sink->mutex);
  if (!sink->errors.empty()) sink->errors += " / ";
  sink->errors += message;
}

void setLogFunction(fluid_log_function_t function, void* data) {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
    fluid_set_log_function(level, function, data);
  }
}

class LogCapture {
 public:
  explicit LogCapture(LogSink& sink) : m_sink(sink) {
    {
      const std::lock_guard lock(sink.mutex);
      sink.errors.clear();
    }
    setLogFunction(gatherLog, &sink);
  }
  ~LogCapture() { setLogFunction(discardLog, nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  QString text() const {
    const std::lock_guard lock(m_sink.mutex);
    return QString::fromStdString(m_sink.errors);
  }

 private:
  LogSink& m_sink;
};

QString withDetail(const QString& cause, const QString& detail) {
  return detail.isEmpty() ? cause : cause + u'\n' + detail;
}

}  // namespace

struct FluidSynthOutput::Impl {
  Config config;
  LogSink log;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* driver = nullptr;
  bool open = false;

  std::optional<QString> loadSoundFont();
  std::optional<QString> startAudio();
};

FluidSynthOutput::Config FluidSynthOutput::defaultConfig() {
  return Config{{QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
                 QStringLiteral("/usr/share/sounds/sf3/default-GM.sf3"),
                 QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
                 QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
                 QStringLiteral("/usr/share/sounds/sf3/MuseScore_General.sf3"),
                 QStringLiteral("/usr/share/soundfonts/default.sf2"),
                 QStringLiteral("/usr/share/soundfonts/FluidR3_GM.sf2"),
                 QStringLiteral("/usr/share/soundfonts/GeneralUser.sf2")},
                {QStringLiteral("pulseaudio"), QStringLiteral("alsa"), QStringLiteral("jack")},
                Audio::Driver};
}

FluidSynthOutput::FluidSynthOutput(Config config) : m_impl(std::make_unique<Impl>()) {
  m_impl->config = std::move(config);
  // FluidSynth's JACK driver lets libjack start a server when none runs: seconds of waiting and
  // a page of messages on a machine without one. libjack reads this for every client it opens.
  setenv("JACK_NO_START_SERVER", "1", 1);
  setLogFunction(discardLog, nullptr);
  fluid_settings_t* s = new_fluid_settings();
  m_impl->settings = s;
  if (s == nullptr) return;
  fluid_settings_setnum(s, "synth.sample-rate", kSampleRate);
  fluid_settings_setint(s, "audio.period-size", kPeriodFrames);
  fluid_settings_setint(s, "audio.periods", kPeriods);
  // A dry sound: a preview note should stop when it is released, with no tail after a reset.
  fluid_settings_setint(s, "synth.reverb.active", 0);
  fluid_settings_setint(s, "synth.chorus.active", 0);
  fluid_settings_setint(s, "synth.cpu-cores", 1);
  fluid_settings_setint(s, "audio.jack.autoconnect", 1);
  fluid_settings_setstr(s, "audio.jack.id", "OrvEditor");
}

FluidSynthOutput::~FluidSynthOutput() {
  const LogCapture capture(m_impl->log);
  if (m_impl->driver != nullptr) delete_fluid_audio_driver(m_impl->driver);
  if (m_impl->synth != nullptr) delete_fluid_synth(m_impl->synth);
  if (m_impl->settings != nullptr) delete_fluid_settings(m_impl->settings);
}

std::optional<QString> FluidSynthOutput::Impl::loadSoundFont() {
  if (synth != nullptr) return std::nullopt;
  const LogCapture capture(log);
  if (settings == nullptr) {
    return withDetail(QStringLiteral("内蔵シンセサイザーを準備できません。"), capture.text());
  }
  QString found;
  for (const QString& path : config.soundFonts) {
    const QByteArray name = QFile::encodeName(path);
    if (QFileInfo(path).isFile() && fluid_is_soundfont(name.constData())) {
      found = path;
      break;
    }
  }
  if (found.isEmpty()) {
    return QStringLiteral(
               "内蔵シンセサイザーの音色ファイル(General MIDIのSoundFont)が見つかりません。"
               "timgm6mb-soundfont などのパッケージを入れてください。\n") +
           config.soundFonts.join(QStringLiteral(", "));
  }
  fluid_synth_t* created = new_fluid_synth(settings);
  if (created == nullptr) {
    return withDetail(QStringLiteral("内蔵シンセサイザーを準備できません。"), capture.text());
  }
  if (fluid_synth_sfload(created, QFile::encodeName(found).constData(), 1) == FLUID_FAILED) {
    delete_fluid_synth(created);
    return withDetail(QStringLiteral("音色ファイル %1 を読み込めません。").arg(found),
                      capture.text());
  }
  synth = created;
  return std::nullopt;
}

std::optional<QString> FluidSynthOutput::Impl::startAudio() {
  const LogCapture capture(log);
  for (const QString& name : config.audioDrivers) {
    fluid_settings_setstr(settings, "audio.driver", name.toUtf8().constData());
    driver = new_fluid_audio_driver(settings, synth);
    if (driver != nullptr) return std::nullopt;
  }
  return withDetail(
      QStringLiteral("内蔵シンセサイザーの音を出せません。使える音声出力(%1)がありません。")
          .arg(config.audioDrivers.join(QStringLiteral(", "))),
      capture.text());
}

std::optional<QString> FluidSynthOutput::open() {
  if (m_impl->open) return std::nullopt;
  if (auto error = m_impl->loadSoundFont()) return error;
  if (m_impl->config.audio == Audio::Driver) {
    if (auto error = m_impl->startAudio()) return error;
  }
  m_impl->open = true;
  return std::nullopt;
}

void FluidSynthOutput::send(std::uint32_t message) {
  if (!m_impl->open) return;
  fluid_synth_t* s = m_impl->synth;
  const int status = static_cast<int>(message & 0xFF);
  const int channel = status & 0x0F;
  const int data1 = static_cast<int>((message >> 8) & 0x7F);
  const int data2 = static_cast<int>((message >> 16) & 0x7F);
  switch (status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(s, channel, data1);
      break;
    case 0x90:
      if (data2 == 0) {
        fluid_synth_noteoff(s, channel, data1);
      } else {
        fluid_synth_noteon(s, channel, data1, data2);
      }
      break;
    case 0xA0:
      fluid_synth_key_pressure(s, channel, data1, data2);
      break;
    case 0xB0:
      fluid_synth_cc(s, channel, data1, data2);
      break;
    case 0xC0:
      fluid_synth_program_change(s, channel, data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(s, channel, data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(s, channel, data1 | (data2 << 7));
      break;
    default:
      break;
  }
}

void FluidSynthOutput::reset() {
  if (!m_impl->open) return;
  fluid_synth_all_sounds_off(m_impl->synth, -1);
}

void FluidSynthOutput::close() {
  if (!m_impl->open) return;
  const LogCapture capture(m_impl->log);
  if (m_impl->driver != nullptr) {
    delete_fluid_audio_driver(m_impl->driver);
    m_impl->driver = nullptr;
  }
  // The synthesizer outlives the audio: anything left sounding would come back at the next open.
  fluid_synth_all_sounds_off(m_impl->synth, -1);
  m_impl->open = false;
}

bool FluidSynthOutput::isOpen() const {
  return m_impl->open;
}

double FluidSynthOutput::bufferLatencyMs() const {
  int period = kPeriodFrames;
  int periods = kPeriods;
  double rate = kSampleRate;
  if (m_impl->settings != nullptr) {
    fluid_settings_getint(m_impl->settings, "audio.period-size", &period);
    fluid_settings_getint(m_impl->settings, "audio.periods", &periods);
    fluid_settings_getnum(m_impl->settings, "synth.sample-rate", &rate);
  }
  return 1000.0 * period * periods / rate;
}

void FluidSynthOutput::render(float* left, float* right, int frames) {
  if (!m_impl->open || m_impl->config.audio != Audio::Offline) return;
  fluid_synth_write_float(m_impl->synth, frames, left, 0, 1, right, 0, 1);
}

}  // namespace orv::platform
