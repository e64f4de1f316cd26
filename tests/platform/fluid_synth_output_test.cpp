#include "platform/fluid_synth_output.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace orv::platform {
namespace {

constexpr double kRate = FluidSynthOutput::kSampleRate;
constexpr std::uint32_t kNoteOn60 = 0x793C90;
constexpr std::uint32_t kNoteOff60 = 0x103C80;
constexpr std::uint32_t kNoteOn84 = 0x795490;

FluidSynthOutput::Config offline() {
  FluidSynthOutput::Config config = FluidSynthOutput::defaultConfig();
  config.audioDrivers.clear();
  config.audio = FluidSynthOutput::Audio::Offline;
  return config;
}

// The power of one frequency in the signal (Goertzel), normalised by the length.
double powerAt(const std::vector<float>& x, double frequency) {
  const double w = 2 * std::numbers::pi * frequency / kRate;
  const double c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (const float v : x) {
    const double s0 = v + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double p = s1 * s1 + s2 * s2 - c * s1 * s2;
  return p / (static_cast<double>(x.size()) * static_cast<double>(x.size()));
}

double rms(const std::vector<float>& x) {
  double sum = 0;
  for (const float v : x) sum += static_cast<double>(v) * v;
  return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

double peak(const std::vector<float>& x) {
  double m = 0;
  for (const float v : x) m = std::max(m, static_cast<double>(std::fabs(v)));
  return m;
}

class BuiltInSynth : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto error = synth.open();
    ASSERT_FALSE(error) << error->toStdString();
  }

  // The next `seconds` of sound, both channels mixed.
  std::vector<float> render(double seconds) {
    const int frames = static_cast<int>(seconds * kRate);
    std::vector<float> left(frames), right(frames), mixed(frames);
    synth.render(left.data(), right.data(), frames);
    for (int i = 0; i < frames; ++i) mixed[i] = 0.5f * (left[i] + right[i]);
    return mixed;
  }

  // A struck note, from 50 ms after its start (past the attack) for half a second.
  std::vector<float> struck(std::uint32_t noteOn) {
    synth.send(noteOn);
    render(0.05);
    return render(0.5);
  }

  FluidSynthOutput synth{offline()};
};

TEST_F(BuiltInSynth, KeysSoundAtTheirPitch) {
  const struct {
    std::uint32_t noteOn;
    double hz;
  } rows[] = {{kNoteOn60, 261.63}, {kNoteOn84, 1046.5}};
  for (const auto& row : rows) {
    const std::vector<float> sound = struck(row.noteOn);
    synth.reset();
    // The strongest component within a whole tone of the expected pitch...
    double best = 0, bestHz = 0;
    for (double f = row.hz * 0.89; f <= row.hz * 1.12; f += row.hz / 2000) {
      const double p = powerAt(sound, f);
      if (p > best) best = p, bestHz = f;
    }
    EXPECT_NEAR(bestHz, row.hz, row.hz * 0.02) << row.hz;
    // ...is a real partial of the tone, and no fundamental lies an octave below it.
    EXPECT_GT(best, 0.01 * rms(sound) * rms(sound)) << row.hz;
    EXPECT_LT(powerAt(sound, row.hz / 2), 0.05 * best) << row.hz;
  }
}

TEST_F(BuiltInSynth, NoteOffLetsTheToneDecayToSilence) {
  const std::vector<float> held = struck(kNoteOn60);
  EXPECT_GT(rms(held), 1e-3);
  synth.send(kNoteOff60);
  render(2.0);
  EXPECT_LT(peak(render(0.1)), 1e-4);
}

TEST_F(BuiltInSynth, ResetSilencesAtOnce) {
  synth.send(kNoteOn60);
  synth.send(kNoteOn84);
  EXPECT_GT(rms(render(0.2)), 1e-3);
  synth.reset();
  EXPECT_LT(peak(render(0.01)), 1e-4);
}

TEST_F(BuiltInSynth, ProgramChangeChangesTheSound) {
  const std::vector<float> piano = struck(kNoteOn60);
  synth.reset();
  synth.send(0x7FC0);  // program 127
  const std::vector<float> other = struck(kNoteOn60);
  ASSERT_GT(rms(other), 1e-3) << "program 127 is silent";
  double dot = 0;
  for (std::size_t i = 0; i < piano.size(); ++i) dot += static_cast<double>(piano[i]) * other[i];
  const double correlation = dot / (rms(piano) * rms(other) * static_cast<double>(piano.size()));
  EXPECT_LT(std::fabs(correlation), 0.5);
}

TEST_F(BuiltInSynth, ClosedOutputIgnoresSendsAndKeepsNothingForTheNextOpening) {
  synth.send(kNoteOn60);
  synth.close();
  EXPECT_FALSE(synth.isOpen());
  synth.send(kNoteOn84);
  synth.reset();
  ASSERT_FALSE(synth.open());
  EXPECT_LT(peak(render(0.2)), 1e-4);
}

TEST(BuiltInSynthOpen, WithoutASoundFontFailsNamingTheCauseAndThePlacesSearched) {
  QTemporaryFile notASoundFont;
  ASSERT_TRUE(notASoundFont.open());
  notASoundFont.write("RIFF....not a sound font");
  notASoundFont.flush();
  FluidSynthOutput::Config config = offline();
  config.soundFonts = {QStringLiteral("/nonexistent/default-GM.sf2"), notASoundFont.fileName()};
  FluidSynthOutput synth(config);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const auto error = synth.open();
    ASSERT_TRUE(error);
    const QStringList lines = error->split(u'\n');
    ASSERT_EQ(lines.size(), 2) << error->toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("SoundFont")));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("見つかりません")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("/nonexistent/default-GM.sf2")));
    EXPECT_FALSE(synth.isOpen());
  }
}

// The library keeps its own defaults (16 periods of 64 frames) when it refuses a setting.
TEST(BuiltInSynthLatency, TheLibraryTakesTheShortBuffering) {
  FluidSynthOutput synth;
  EXPECT_LE(synth.bufferLatencyMs(), 10.0);
}

}  // namespace
}  // namespace orv::platform
