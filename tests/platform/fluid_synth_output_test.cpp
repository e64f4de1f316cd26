#include "platform/linux/fluid_synth_output.h"

#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <utility>
#include <vector>

#include "support/null_sink_server.h"

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

using Synth = FluidSynthOutput;
const Synth::Config kOffline{Synth::defaultConfig().soundFonts, {}, Synth::Audio::Offline, {}};
constexpr int kRate = Synth::kSampleRate, kBlock = kRate / 100,
              kIdleFrames = kRate / 1000 * Synth::kIdleMs;

double rms(const std::vector<float>& x) {
  return std::sqrt(std::inner_product(x.begin(), x.end(), x.begin(), 0.0) / x.size());
}

// The power of one frequency in the sound (Goertzel), as a share of the sound's whole power.
double powerAt(const std::vector<float>& x, double hz) {
  const double c = 2 * std::cos(2 * std::numbers::pi * hz / kRate);
  double s1 = 0, s2 = 0;
  for (const float v : x) s2 = std::exchange(s1, v + c * s1 - s2);
  return (s1 * s1 + s2 * s2 - c * s1 * s2) / std::pow(rms(x) * x.size(), 2);
}

// The frequency of the strongest partial within a whole tone of `hz`, with its power; none in
// silence.
std::pair<double, double> strongestNear(const std::vector<float>& x, double hz) {
  std::pair<double, double> best{0, 0};
  for (double f = hz * 0.89; f <= hz * 1.12; f += hz / 2000)
    if (const double p = powerAt(x, f); p > best.second) best = {f, p};
  return best;
}

class BuiltInSynth : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(synth.open().value_or(QString()).toStdString(), ""); }
  // The left channel for the next `ms` milliseconds, once `messages` went out.
  std::vector<float> after(std::initializer_list<std::uint32_t> messages, int ms) {
    for (const std::uint32_t m : messages) synth.send(m);
    std::vector<float> left(ms * kRate / 1000), right(left.size());
    synth.render(left.data(), right.data(), static_cast<int>(left.size()));
    return left;
  }
  // Pulls 10 ms blocks, as a sound server would, until the output idles or `limitMs` have passed.
  std::vector<float> untilIdle(int limitMs) {
    std::vector<float> left, block(kBlock), right(kBlock);
    for (int ms = 0; ms < limitMs && synth.render(block.data(), right.data(), kBlock); ms += 10)
      left.insert(left.end(), block.begin(), block.end());
    return left;
  }
  FluidSynthOutput synth{kOffline};
};

TEST_F(BuiltInSynth, KeysSoundAtTheirPitchAndAProgramChangeChangesTheSound) {
  for (const auto& [noteOn, hz] : {std::pair{0x793C90u, 261.63}, std::pair{0x795490u, 1046.5}}) {
    const auto sound = after({noteOn}, 500);
    synth.reset();
    // The strongest partial near the pitch is the pitch, and no fundamental an octave below.
    const auto [bestHz, best] = strongestNear(sound, hz);
    EXPECT_NEAR(bestHz, hz, hz * 0.02);
    EXPECT_LT(powerAt(sound, hz / 2), 0.05 * best) << hz;
  }
  const double piano = powerAt(after({0x793C90}, 500), 261.63);
  synth.reset();
  EXPECT_LT(powerAt(after({0x7FC0, 0x793C90}, 500), 261.63), 0.2 * piano);
}

TEST_F(BuiltInSynth, IdlesOnlyOnceEveryReleaseHasDiedAway) {
  synth.send(0x793C90);
  EXPECT_EQ(untilIdle(2 * Synth::kIdleMs).size(), 2u * kIdleFrames) << "key held";
  synth.send(0x103C80);
  const auto tail = untilIdle(10000);
  const auto last = std::find_if(tail.rbegin(), tail.rend(), [](float v) { return v != 0; });
  const auto silent = last - tail.rbegin();
  // The voice ran to its end: it faded out before the output stopped, a full idle time later.
  EXPECT_GT(tail.size(), silent + kBlock);
  EXPECT_NEAR(silent, kIdleFrames, 2 * kBlock);
  EXPECT_LT(std::abs(*last), 1e-3) << "cut at " << tail.size() - silent << " of " << tail.size();
  std::vector<float> left(kBlock, 1), right(kBlock, 1);
  EXPECT_FALSE(synth.render(left.data(), right.data(), kBlock));
  EXPECT_EQ(rms(left) + rms(right), 0);
}

TEST_F(BuiltInSynth, AfterIdlingANoteSoundsInFullAndResetOrCloseSilences) {
  synth.send(0x793C90);
  synth.reset();
  untilIdle(10000);
  // The first note of a fresh synthesizer, attack and all. The synthesizer starts a note at its
  // next 64-frame step, so the sound may begin a little later in the block.
  FluidSynthOutput fresh(kOffline);
  ASSERT_FALSE(fresh.open());
  fresh.send(0x793C90);
  std::vector<float> expected(kBlock * 5), right(expected.size());
  fresh.render(expected.data(), right.data(), static_cast<int>(expected.size()));
  const auto sound = after({0x793C90}, 60);
  const auto start = std::find_if(sound.begin(), sound.end(), [](float v) { return v != 0; });
  ASSERT_LT(start - sound.begin(), 64);
  EXPECT_TRUE(std::equal(expected.begin() + 1, expected.end(), start));
  // Reset silences from the next step on.
  synth.reset();
  const auto rest = after({}, 10);
  EXPECT_LT(rms({rest.begin() + 64, rest.end()}), 1e-5) << "reset";
  // Close silences at once, and what is sent while closed is dropped.
  synth.send(0x793C90);
  synth.close();
  synth.send(0x795490);
  ASSERT_FALSE(synth.open());
  EXPECT_LT(rms(after({}, 200)), 1e-5) << "a note from before the close, or sent while closed";
}

// What the server says of our stream: "yes" (stopped), "no" (playing), or "" while there is none.
// Asked until it says `want` or a few seconds have passed.
std::string corkedBecomes(const std::string& want) {
  static const QRegularExpression corked(u"Corked: (\\w+)"_s);
  std::string state = "?";
  for (int i = 0; i < 100 && state != want; ++i, QThread::msleep(50)) {
    QProcess pactl;
    pactl.start(u"pactl"_s, {u"list"_s, u"sink-inputs"_s});
    pactl.waitForFinished();
    state =
        corked.match(QString::fromUtf8(pactl.readAllStandardOutput())).captured(1).toStdString();
  }
  return state;
}

TEST(BuiltInSynthOnAServer, ItsStreamStopsInSilenceAndTheNextMessageStartsIt) {
  const test::NullSinkServer server;
  ASSERT_TRUE(server.running());
  FluidSynthOutput synth;
  ASSERT_EQ(synth.open().value_or(QString()).toStdString(), "");
  EXPECT_EQ(corkedBecomes("yes"), "yes") << "opened";
  synth.send(0x793C90);
  EXPECT_EQ(corkedBecomes("no"), "no") << "note on";
  synth.reset();
  EXPECT_EQ(corkedBecomes("yes"), "yes") << "reset";
  synth.send(0x7FC0);
  EXPECT_EQ(corkedBecomes("no"), "no") << "program change";
  synth.close();
  EXPECT_EQ(corkedBecomes(""), "") << "closed";
}

// Samples that parec recorded so far.
std::vector<float> recorded(QProcess& parec) {
  const QByteArray raw = parec.readAllStandardOutput();
  const auto* samples = reinterpret_cast<const float*>(raw.constData());
  return {samples, samples + raw.size() / sizeof(float)};
}

// A crash and a restart of the server while an organ note sounds: the note was cut off with the
// server and does not come back, and the keys sound on the new server; then a server that does
// not come back: told once, closed, and a later open tries again.
TEST(BuiltInSynthOnAServer, ComesBackSilentAfterARestartAndClosesOnceTheServerIsGone) {
  qunsetenv("JACK_NO_START_SERVER");
  test::NullSinkServer server;
  ASSERT_TRUE(server.running());
  FluidSynthOutput::Config config = FluidSynthOutput::defaultConfig();
  config.audioDrivers = {u"pulseaudio"_s};  // none of this machine's own sound
  FluidSynthOutput synth(config);
  ASSERT_EQ(synth.open().value_or(QString()).toStdString(), "");
  synth.send(0x13C0);  // a church organ: its note sounds for as long as it is held
  synth.send(0x793C90);
  ASSERT_EQ(corkedBecomes("no"), "no");
  server.kill();
  ASSERT_TRUE(server.start());
  QProcess parec;
  parec.start(u"parec"_s,
              u"--device=bench.monitor --format=float32le --rate=48000 --channels=1 "
              u"--latency-msec=20"_s.split(u' '));
  ASSERT_TRUE(parec.waitForReadyRead(10000)) << "recording";
  synth.send(0x00C0);  // the piano again; this message finds the new server
  QThread::msleep(500);
  parec.waitForReadyRead(1000);
  EXPECT_LT(rms(recorded(parec)), 1e-4) << "the note held when the server went";
  for (int press = 0; press < 2; ++press) {
    synth.send(0x793C90);
    QThread::msleep(400);
    synth.send(0x103C80);
    QThread::msleep(200);
  }
  parec.terminate();
  parec.waitForFinished();
  const std::vector<float> heard = recorded(parec);
  EXPECT_NEAR(strongestNear(heard, 261.63).first, 261.63, 5) << "two key presses on the new server";
  EXPECT_FALSE(synth.takeLostOutputError());

  server.kill();
  std::optional<QString> lost;
  for (int i = 0; i < 200 && !lost; ++i, QThread::msleep(50)) {
    synth.send(0x793C90);
    lost = synth.takeLostOutputError();
  }
  ASSERT_TRUE(lost) << "no word of the server's end";
  synth.send(0x793C90);
  EXPECT_FALSE(synth.takeLostOutputError()) << "told twice";
  EXPECT_FALSE(synth.isOpen());
  const auto failed = synth.open().value_or(QString());
  EXPECT_EQ(lost->section(u'\n', 0, 0).toStdString(), failed.section(u'\n', 0, 0).toStdString());
  EXPECT_FALSE(qEnvironmentVariableIsSet("JACK_NO_START_SERVER")) << "left for the player";
  ASSERT_TRUE(server.start());
  EXPECT_EQ(synth.open().value_or(QString()).toStdString(), "");
}

}  // namespace
}  // namespace orv::platform
