#include "platform/linux/fluid_synth_output.h"

#include <QFile>
#include <QFileInfo>

#include <fluidsynth.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <utility>

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

// libjack starts a JACK server when none runs unless told not to, and FluidSynth's JACK driver
// does not tell it: seconds of waiting and a page of messages on a machine without one. Only our
// own drivers are told, for the time they open: a program started later (the player) gets the
// environment as the user left it.
class NoJackServerStart {
 public:
  NoJackServerStart() {
    if (qEnvironmentVariableIsSet(kName)) m_saved = qgetenv(kName);
    qputenv(kName, "1");
  }
  ~NoJackServerStart() {
    if (m_saved) {
      qputenv(kName, *m_saved);
    } else {
      qunsetenv(kName);
    }
  }
  NoJackServerStart(const NoJackServerStart&) = delete;
  NoJackServerStart& operator=(const NoJackServerStart&) = delete;

 private:
  static constexpr const char* kName = "JACK_NO_START_SERVER";
  std::optional<QByteArray> m_saved;
};

// One short message (status in the low byte, then the two data bytes) to the synthesizer.
void play(fluid_synth_t* s, std::uint32_t message) {
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

// A playback stream on the sound server that asks for audio while it runs and stops (corks) when
// told there is nothing left to play; a corked stream wakes no thread at all. Its callbacks run on
// the server connection's own thread, holding that thread's lock.
//
// A server that ends (a crash, a restart after a device change) leaves the stream dead, corked or
// not: the connection's thread notes when, and the owner asks for a new connection.
class ServerStream {
 public:
  using Clock = std::chrono::steady_clock;
  // Fills `count` interleaved stereo frames; answers false when nothing will sound until woken.
  using Render = std::function<bool(float* frames, int count)>;

  ServerStream() = default;
  ~ServerStream() { stop(); }
  ServerStream(const ServerStream&) = delete;
  ServerStream& operator=(const ServerStream&) = delete;

  // Connects and starts corked, waiting at most `timeoutMs`. On failure answers the server
  // library's words.
  std::optional<QString> start(Render render, int rate, int periodFrames, int periods,
                               int timeoutMs) {
    m_render = std::move(render);
    m_rate = rate;
    m_periodFrames = periodFrames;
    m_periods = periods;
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr || pa_threaded_mainloop_start(m_loop) < 0) {
      return QStringLiteral("PulseAudio: ") + QString::fromUtf8(pa_strerror(PA_ERR_INTERNAL));
    }
    pa_threaded_mainloop_lock(m_loop);
    std::optional<QString> error = connect(timeoutMs);
    pa_threaded_mainloop_unlock(m_loop);
    return error;
  }

  // Since when the connection or the stream is dead; nullopt while it lives. One atomic read.
  std::optional<Clock::time_point> lostSince() const {
    const Clock::rep at = m_lostAt.load(std::memory_order_relaxed);
    if (at == kAlive) return std::nullopt;
    return Clock::time_point(Clock::duration(at));
  }

  // Drops the dead connection and makes a new one on the same thread, corked.
  std::optional<QString> reconnect(int timeoutMs) {
    pa_threaded_mainloop_lock(m_loop);
    disconnect();
    std::optional<QString> error = connect(timeoutMs);
    pa_threaded_mainloop_unlock(m_loop);
    return error;
  }

  // Runs `deliver` while no block is being rendered, then restarts the stream if it had stopped.
  // Holding the lock closes the gap in which a block rendered just before the message could stop
  // the stream after the message was delivered.
  void wake(const std::function<void()>& deliver) {
    pa_threaded_mainloop_lock(m_loop);
    deliver();
    if (m_corked) {
      m_corked = false;
      cork(0);
    }
    pa_threaded_mainloop_unlock(m_loop);
  }

 private:
  static constexpr std::size_t kFrameBytes = 2 * sizeof(float);
  static constexpr Clock::rep kAlive = 0;

  // Called and left with the loop's lock held. The stream is alive only once this succeeds.
  std::optional<QString> connect(int timeoutMs) {
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "OrvEditor");
    if (m_context == nullptr) {
      return QStringLiteral("PulseAudio: ") + QString::fromUtf8(pa_strerror(PA_ERR_INTERNAL));
    }
    // A server that takes the connection and then says nothing would hold the caller for good.
    m_timedOut = false;
    pa_time_event* timeout = pa_context_rttime_new(
        m_context, pa_rtclock_now() + static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC,
        onTimeout, this);
    std::optional<QString> error = connectStream();
    if (timeout != nullptr) pa_threaded_mainloop_get_api(m_loop)->time_free(timeout);
    if (!error) m_lostAt.store(kAlive, std::memory_order_relaxed);
    return error;
  }

  std::optional<QString> connectStream() {
    pa_context_set_state_callback(m_context, onContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0) {
      pa_context_state_t state;
      while ((state = pa_context_get_state(m_context)) != PA_CONTEXT_READY &&
             PA_CONTEXT_IS_GOOD(state) && !m_timedOut) {
        pa_threaded_mainloop_wait(m_loop);
      }
    }
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY) return contextError();

    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(m_rate), 2};
    m_stream = pa_stream_new(m_context, "内蔵シンセサイザー", &format, nullptr);
    if (m_stream == nullptr) return contextError();
    pa_stream_set_state_callback(m_stream, onStreamState, this);
    pa_stream_set_write_callback(m_stream, onWrite, this);
    const auto bytes = [](int frames) { return static_cast<std::uint32_t>(frames * kFrameBytes); };
    const pa_buffer_attr attr{static_cast<std::uint32_t>(-1), bytes(m_periodFrames * m_periods),
                              static_cast<std::uint32_t>(-1), bytes(m_periodFrames),
                              static_cast<std::uint32_t>(-1)};
    m_corked = true;
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) >= 0) {
      pa_stream_state_t state;
      while ((state = pa_stream_get_state(m_stream)) != PA_STREAM_READY &&
             PA_STREAM_IS_GOOD(state) && !m_timedOut) {
        pa_threaded_mainloop_wait(m_loop);
      }
    }
    if (pa_stream_get_state(m_stream) != PA_STREAM_READY) return contextError();
    return std::nullopt;
  }

  QString contextError() const {
    const int error = m_timedOut ? PA_ERR_TIMEOUT : pa_context_errno(m_context);
    return QStringLiteral("PulseAudio: ") + QString::fromUtf8(pa_strerror(error));
  }

  // Called with the loop's lock held. The callbacks go first: our own ending is no loss.
  void disconnect() {
    if (m_stream != nullptr) {
      pa_stream_set_write_callback(m_stream, nullptr, nullptr);
      pa_stream_set_state_callback(m_stream, nullptr, nullptr);
      pa_stream_disconnect(m_stream);
      pa_stream_unref(m_stream);
      m_stream = nullptr;
    }
    if (m_context != nullptr) {
      pa_context_set_state_callback(m_context, nullptr, nullptr);
      pa_context_disconnect(m_context);
      pa_context_unref(m_context);
      m_context = nullptr;
    }
  }

  void stop() {
    if (m_loop == nullptr) return;
    pa_threaded_mainloop_lock(m_loop);
    disconnect();
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
  }

  // A dead stream is left as it is.
  void cork(int corked) {
    if (m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY) return;
    if (pa_operation* op = pa_stream_cork(m_stream, corked, nullptr, nullptr)) {
      pa_operation_unref(op);
    }
  }

  // Keeps the first moment of a loss: failed attempts to reconnect do not move it.
  void lose() {
    Clock::rep alive = kAlive;
    m_lostAt.compare_exchange_strong(alive, Clock::now().time_since_epoch().count(),
                                     std::memory_order_relaxed);
  }

  static void onContextState(pa_context* context, void* data) {
    auto* self = static_cast<ServerStream*>(data);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) self->lose();
    pa_threaded_mainloop_signal(self->m_loop, 0);
  }

  static void onStreamState(pa_stream* stream, void* data) {
    auto* self = static_cast<ServerStream*>(data);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) self->lose();
    pa_threaded_mainloop_signal(self->m_loop, 0);
  }

  static void onTimeout(pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
    auto* self = static_cast<ServerStream*>(data);
    self->m_timedOut = true;
    pa_threaded_mainloop_signal(self->m_loop, 0);
  }

  // Rendered straight into the server library's buffer. The stream stops only after a block of
  // silence, so the sound already queued ends quietly and no click is left for the next start.
  static void onWrite(pa_stream* stream, std::size_t bytes, void* data) {
    auto* self = static_cast<ServerStream*>(data);
    bool sounding = true;
    while (bytes >= kFrameBytes) {
      void* buffer = nullptr;
      std::size_t size = bytes;
      if (pa_stream_begin_write(stream, &buffer, &size) < 0 || buffer == nullptr) return;
      size = std::min(size, bytes) / kFrameBytes * kFrameBytes;
      if (size == 0) {
        pa_stream_cancel_write(stream);
        return;
      }
      sounding = self->m_render(static_cast<float*>(buffer), static_cast<int>(size / kFrameBytes));
      pa_stream_write(stream, buffer, size, nullptr, 0, PA_SEEK_RELATIVE);
      bytes -= size;
    }
    if (!sounding && !self->m_corked) {
      self->m_corked = true;
      self->cork(1);
    }
  }

  Render m_render;
  int m_rate = 0;
  int m_periodFrames = 0;
  int m_periods = 0;
  pa_threaded_mainloop* m_loop = nullptr;
  pa_context* m_context = nullptr;
  pa_stream* m_stream = nullptr;
  bool m_corked = false;    // guarded by the loop's lock
  bool m_timedOut = false;  // guarded by the loop's lock
  // The steady clock's count when the connection was lost, written on the loop's thread and read
  // on the owner's without the lock.
  std::atomic<Clock::rep> m_lostAt{kAlive};
};

// How long the built-in output waits for the sound server: when opened, and for each new
// connection after the server went, with at least kRetry between the tries. A server still away
// kGrace after it went, when a try fails, is taken as gone; a restart takes less.
constexpr int kOpenTimeoutMs = 5000;
constexpr int kReconnectTimeoutMs = 500;
constexpr std::chrono::milliseconds kRetry{500};
constexpr std::chrono::milliseconds kGrace{3000};

}  // namespace

struct FluidSynthOutput::Impl {
  Config config;
  LogSink log;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_audio_driver_t* driver = nullptr;
  std::unique_ptr<ServerStream> stream;
  bool open = false;
  // Frames rendered since a voice last sounded, and (offline) whether the output idles. With a
  // stream both are touched only under its lock.
  int quietFrames = 0;
  bool idle = false;
  std::optional<QString> lost;  // why the output closed by itself, until asked
  ServerStream::Clock::time_point nextTry;

  std::optional<QString> loadSoundFont();
  std::optional<QString> startServerStream();
  std::optional<QString> startAudio(const QString& serverError);
  QString cannotSound(const QString& detail) const;
  // After the server went: false, with the output closed and the reason kept, once it stays away.
  bool revive(ServerStream::Clock::time_point lostSince);
  void stopAudio();
  // Answers whether the output must go on: false once kIdleMs of silence have been rendered.
  bool renderBlock(float* left, float* right, int step, int frames);
  void deliver(const std::function<void()>& message);
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
                Audio::Server,
                {}};
}

FluidSynthOutput::FluidSynthOutput(Config config) : m_impl(std::make_unique<Impl>()) {
  m_impl->config = std::move(config);
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
  m_impl->stream.reset();
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

std::optional<QString> FluidSynthOutput::Impl::startServerStream() {
  stream = std::make_unique<ServerStream>();
  const auto render = [this](float* frames, int count) {
    const bool sounding = renderBlock(frames, frames + 1, 2, count);
    if (config.onBlock) config.onBlock(frames, count);
    return sounding;
  };
  if (auto error = stream->start(render, kSampleRate, kPeriodFrames, kPeriods, kOpenTimeoutMs)) {
    stream.reset();
    return error;
  }
  return std::nullopt;
}

std::optional<QString> FluidSynthOutput::Impl::startAudio(const QString& serverError) {
  const LogCapture capture(log);
  const NoJackServerStart noServerStart;
  for (const QString& name : config.audioDrivers) {
    fluid_settings_setstr(settings, "audio.driver", name.toUtf8().constData());
    driver = new_fluid_audio_driver(settings, synth);
    if (driver != nullptr) return std::nullopt;
  }
  QString detail = serverError;
  if (!detail.isEmpty() && !capture.text().isEmpty()) detail += QStringLiteral(" / ");
  detail += capture.text();
  return cannotSound(detail);
}

QString FluidSynthOutput::Impl::cannotSound(const QString& detail) const {
  return withDetail(
      QStringLiteral("内蔵シンセサイザーの音を出せません。使える音声出力(%1)がありません。")
          .arg(config.audioDrivers.join(QStringLiteral(", "))),
      detail);
}

// A server restart is over in a moment, and a key pressed meanwhile stays silent without a word.
// Messages still reach the synthesizer, so an instrument chosen then is kept.
bool FluidSynthOutput::Impl::revive(ServerStream::Clock::time_point lostSince) {
  const auto now = ServerStream::Clock::now();
  if (now < nextTry) return true;
  const std::optional<QString> error = stream->reconnect(kReconnectTimeoutMs);
  nextTry = ServerStream::Clock::now() + kRetry;
  if (!error) {
    // Whatever sounded when the server went was cut off there; it must not come back now.
    fluid_synth_all_sounds_off(synth, -1);
    return true;
  }
  if (now - lostSince < kGrace) return true;
  lost = cannotSound(*error);
  stopAudio();
  return false;
}

void FluidSynthOutput::Impl::stopAudio() {
  const LogCapture capture(log);
  stream.reset();
  if (driver != nullptr) {
    delete_fluid_audio_driver(driver);
    driver = nullptr;
  }
  // The synthesizer outlives the audio: anything left sounding would come back at the next open.
  fluid_synth_all_sounds_off(synth, -1);
  quietFrames = 0;
  idle = false;
  open = false;
}

bool FluidSynthOutput::Impl::renderBlock(float* left, float* right, int step, int frames) {
  constexpr int kIdleFrames = kSampleRate / 1000 * kIdleMs;
  // A voice counts until its release has died away; without reverb or chorus nothing sounds after.
  // A block counts as quiet only if no voice sounded at either end of it.
  const bool soundedBefore = fluid_synth_get_active_voice_count(synth) > 0;
  fluid_synth_write_float(synth, frames, left, 0, step, right, 0, step);
  if (soundedBefore || fluid_synth_get_active_voice_count(synth) > 0) {
    quietFrames = 0;
  } else {
    quietFrames = std::min(quietFrames + frames, kIdleFrames);
  }
  return quietFrames < kIdleFrames;
}

void FluidSynthOutput::Impl::deliver(const std::function<void()>& message) {
  const auto wake = [&] {
    quietFrames = 0;
    idle = false;
    message();
  };
  if (stream != nullptr) {
    stream->wake(wake);
  } else {
    wake();
  }
}

std::optional<QString> FluidSynthOutput::open() {
  if (m_impl->open) return std::nullopt;
  if (auto error = m_impl->loadSoundFont()) return error;
  if (m_impl->config.audio != Audio::Offline) {
    // Without a sound server, a FluidSynth driver that renders all the time.
    std::optional<QString> serverError;
    if (m_impl->config.audio == Audio::Server) serverError = m_impl->startServerStream();
    if (m_impl->config.audio == Audio::Driver || serverError) {
      if (auto error = m_impl->startAudio(serverError.value_or(QString()))) return error;
    }
  }
  m_impl->open = true;
  m_impl->nextTry = {};
  return std::nullopt;
}

// A healthy stream costs one atomic read more than the message itself.
void FluidSynthOutput::send(std::uint32_t message) {
  Impl& d = *m_impl;
  if (!d.open) return;
  if (d.stream != nullptr) {
    if (const auto since = d.stream->lostSince(); since && !d.revive(*since)) return;
  }
  d.deliver([synth = d.synth, message] { play(synth, message); });
}

void FluidSynthOutput::reset() {
  if (!m_impl->open) return;
  fluid_synth_all_sounds_off(m_impl->synth, -1);
}

void FluidSynthOutput::close() {
  m_impl->lost.reset();
  if (m_impl->open) m_impl->stopAudio();
}

bool FluidSynthOutput::isOpen() const {
  return m_impl->open;
}

std::optional<QString> FluidSynthOutput::takeLostOutputError() {
  return std::exchange(m_impl->lost, std::nullopt);
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

bool FluidSynthOutput::render(float* left, float* right, int frames) {
  if (!m_impl->open || m_impl->config.audio != Audio::Offline) return false;
  if (m_impl->idle) {
    std::fill_n(left, frames, 0.0F);
    std::fill_n(right, frames, 0.0F);
    return false;
  }
  m_impl->idle = !m_impl->renderBlock(left, right, 1, frames);
  return true;
}

}  // namespace orv::platform
