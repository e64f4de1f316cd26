// What the built-in synthesizer costs while nothing sounds, and what its idling costs the next
// note. CPU: the whole process over 10 s of silence with MIDI on, against a bare FluidSynth
// driver with the same settings. Delay: from the note-on call to the note's first sample leaving
// the synthesizer, after a 3 s pause against the same with the stream running. Both play into a
// PulseAudio null sink started here.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/linux/fluid_synth_output.h"
#include "support/null_sink_server.h"
#include "support/ratio.h"

namespace {

using Clock = std::chrono::steady_clock;
using orv::platform::FluidSynthOutput;

constexpr double kIdleCpuGoalPercent = 1;
constexpr double kDelayGoalMs = 5;
constexpr auto kMeasured = std::chrono::seconds(10);
constexpr auto kPause = std::chrono::seconds(3);

orv::test::NullSinkServer& server() {
  static orv::test::NullSinkServer s;
  return s;
}

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A built-in output on the null sink that notes when a note's first sample leaves it.
class TimedOutput {
 public:
  explicit TimedOutput(FluidSynthOutput::Audio audio) : m_audio(audio) {
    FluidSynthOutput::Config config = FluidSynthOutput::defaultConfig();
    config.audio = audio;
    config.audioDrivers = {QStringLiteral("pulseaudio")};
    config.onBlock = [this](const float* frames, int count) {
      if (!m_armed.load()) return;
      for (int i = 0; i < 2 * count; ++i) {
        if (frames[i] != 0) {
          m_sounded = Clock::now();
          m_armed.store(false);
          return;
        }
      }
    };
    m_synth = std::make_unique<FluidSynthOutput>(config);
    if (auto error = m_synth->open()) m_error = error->toStdString();
  }

  const std::string& error() const { return m_error; }
  FluidSynthOutput& synth() { return *m_synth; }

  // Milliseconds from the note-on call to its first sample, or a negative value after 5 s.
  double noteOn() {
    m_armed.store(true);
    const Clock::time_point start = Clock::now();
    m_synth->send(0x793C90);
    while (m_armed.load()) {
      if (Clock::now() - start > std::chrono::seconds(5)) return -1;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return std::chrono::duration<double, std::milli>(m_sounded - start).count();
  }

  // One note played and silenced, then the time for the stream to go quiet.
  bool settle() {
    // Only our own stream reports its blocks.
    bool sounded = true;
    if (m_audio == FluidSynthOutput::Audio::Server) {
      sounded = noteOn() >= 0;
    } else {
      m_synth->send(0x793C90);
    }
    m_synth->reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(FluidSynthOutput::kIdleMs + 1000));
    return sounded;
  }

 private:
  FluidSynthOutput::Audio m_audio;
  std::unique_ptr<FluidSynthOutput> m_synth;
  std::atomic<bool> m_armed{false};
  Clock::time_point m_sounded;
  std::string m_error;
};

void idleCpu(benchmark::State& state, FluidSynthOutput::Audio audio) {
  if (!server().running()) {
    state.SkipWithError("pulseaudio did not start");
    return;
  }
  TimedOutput output(audio);
  if (!output.error().empty()) {
    state.SkipWithError(output.error().c_str());
    return;
  }
  // The null sink asks for the first audio of a new stream only when its timer next fires.
  if (!output.settle()) {
    state.SkipWithError("the note did not sound");
    return;
  }
  double percent = 0;
  double serverPercent = 0;
  for (auto _ : state) {
    const double cpu = processCpuSeconds();
    const double serverCpu = server().cpuSeconds();
    std::this_thread::sleep_for(kMeasured);
    const double seconds = processCpuSeconds() - cpu;
    state.SetIterationTime(seconds);
    percent = 100 * seconds / std::chrono::duration<double>(kMeasured).count();
    serverPercent = 100 * (server().cpuSeconds() - serverCpu) /
                    std::chrono::duration<double>(kMeasured).count();
  }
  state.counters["cpu_percent"] = percent;
  state.counters["server_cpu_percent"] = serverPercent;
  if (audio == FluidSynthOutput::Audio::Server && percent > kIdleCpuGoalPercent) {
    state.SkipWithError("idle CPU over 1 % of a core");
  }
}

double runningDelayMs = -1;

void firstSample(benchmark::State& state, bool afterPause) {
  if (!server().running()) {
    state.SkipWithError("pulseaudio did not start");
    return;
  }
  TimedOutput output(FluidSynthOutput::Audio::Server);
  if (!output.error().empty() || !output.settle()) {
    state.SkipWithError("the built-in output did not sound");
    return;
  }
  double totalMs = 0;
  for (auto _ : state) {
    // Running: the last note's silence is far shorter than the idle time.
    std::this_thread::sleep_for(afterPause ? kPause : std::chrono::milliseconds(37));
    const double ms = output.noteOn();
    output.synth().reset();
    if (ms < 0) {
      state.SkipWithError("the note did not sound");
      return;
    }
    state.SetIterationTime(ms / 1000);
    totalMs += ms;
  }
  const double meanMs = totalMs / static_cast<double>(state.iterations());
  state.counters["mean_ms"] = meanMs;
  if (!afterPause) {
    runningDelayMs = meanMs;
  } else if (runningDelayMs >= 0 && meanMs > runningDelayMs + kDelayGoalMs) {
    state.SkipWithError("after a pause the first sample is over 5 ms later than while running");
  }
}

BENCHMARK_CAPTURE(idleCpu, baseline, FluidSynthOutput::Audio::Driver)
    ->Name("IdleCpu/baseline")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(idleCpu, editor, FluidSynthOutput::Audio::Server)
    ->Name("IdleCpu/editor")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(firstSample, running, false)
    ->Name("FirstSample/baseline")
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(firstSample, pause, true)
    ->Name("FirstSample/editor")
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
