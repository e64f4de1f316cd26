// How late a preview note is: the time from a key's mouse-down to the note-on reaching the MIDI
// service, against a plain function call; and the audio the built-in synthesizer buffers.
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#include <chrono>
#include <vector>

#include "platform/linux/fluid_synth_output.h"
#include "platform/unavailable_services.h"
#include "shell/form1.h"
#include "support/quiet_services.h"
#include "support/ratio.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kInProcessGoalUs = 50;
constexpr double kBufferGoalMs = 10;

// An open output that notes when the first message of a press arrives.
class TimingMidiService final : public orv::platform::MidiService {
 public:
  Clock::time_point arrived;
  int messages = 0;

  QStringList outputPorts() override { return {}; }
  std::optional<QString> open(int) override { return std::nullopt; }
  void send(std::uint32_t) override {
    if (messages++ == 0) arrived = Clock::now();
  }
  void reset() override {}
  void close() override {}
  bool isOpen() const override { return true; }
};

[[gnu::noinline]] void deliver(TimingMidiService& service, std::uint32_t message) {
  service.send(message);
}

void NoteOn_baseline(benchmark::State& state) {
  TimingMidiService service;
  for (auto _ : state) {
    service.messages = 0;
    const Clock::time_point start = Clock::now();
    deliver(service, 0x793C90);
    state.SetIterationTime(std::chrono::duration<double>(service.arrived - start).count());
  }
}

void NoteOn_editor(benchmark::State& state) {
  TimingMidiService midi;
  orv::bench::ShownForm shown(midi);
  orv::shell::Form1& form = shown.form;
  form.Chk_Midi->click();
  QWindow* window = form.windowHandle();
  QPushButton* key = form.Opt_Scl[0];
  const QPointF at = key->mapTo(&form, key->rect().center());
  const QPointF global = key->mapToGlobal(key->rect().center());
  double totalUs = 0;
  for (auto _ : state) {
    // The window's own event, as the platform plugin hands it on; the toolkit finds the key.
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, {});
    midi.messages = 0;
    const Clock::time_point start = Clock::now();
    QApplication::sendEvent(window, &press);
    const double seconds = std::chrono::duration<double>(midi.arrived - start).count();
    QApplication::sendEvent(window, &release);
    if (midi.messages != 2) {
      state.SkipWithError("the key did not sound and fall silent");
      break;
    }
    state.SetIterationTime(seconds);
    totalUs += seconds * 1e6;
  }
  const double meanUs =
      totalUs / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
  state.counters["mean_us"] = meanUs;
  if (meanUs > kInProcessGoalUs) state.SkipWithError("mouse-down to note-on is over 50 us");
}

// The audio a note waits behind once the synthesizer has it, and the synthesizer's own delay
// from note-on to the first sample (it works in blocks), both in milliseconds.
void SynthLatency(benchmark::State& state) {
  orv::platform::FluidSynthOutput::Config config = orv::platform::FluidSynthOutput::defaultConfig();
  config.audio = orv::platform::FluidSynthOutput::Audio::Offline;
  orv::platform::FluidSynthOutput synth(config);
  if (synth.open()) {
    state.SkipWithError("no SoundFont");
    return;
  }
  constexpr int kFrames = 64;
  std::vector<float> left(kFrames), right(kFrames);
  int firstSound = -1;
  for (auto _ : state) {
    synth.reset();
    synth.render(left.data(), right.data(), kFrames);
    synth.send(0x793C90);
    firstSound = -1;
    for (int block = 0; block < 100 && firstSound < 0; ++block) {
      synth.render(left.data(), right.data(), kFrames);
      for (int i = 0; i < kFrames && firstSound < 0; ++i) {
        if (left[i] != 0 || right[i] != 0) firstSound = block * kFrames + i;
      }
    }
    synth.send(0x103C80);
  }
  const double rate = orv::platform::FluidSynthOutput::kSampleRate;
  state.counters["buffer_ms"] = synth.bufferLatencyMs();
  state.counters["first_sample_ms"] = 1000.0 * firstSound / rate;
  if (synth.bufferLatencyMs() > kBufferGoalMs) state.SkipWithError("audio buffering over 10 ms");
}

BENCHMARK(NoteOn_baseline)->Name("NoteOn/baseline")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(NoteOn_editor)->Name("NoteOn/editor")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(SynthLatency)->Unit(benchmark::kMicrosecond);

}  // namespace
