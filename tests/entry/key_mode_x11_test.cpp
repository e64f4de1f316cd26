// Key mode on a real X server of its own (Xvfb): the editor's own connection, the server's own
// auto-repeat and keys held through XTest (xdotool).
#include <QProcess>

#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::StringLiterals;

class KeyModeX11 : public FormFixture {
 protected:
  void SetUp() override {
    start();
    showActive();
    form->module1().OpenMidiOut(-1);
    QTest::mouseClick(form->Chk_Key, Qt::LeftButton);
  }

  // Runs xdotool's chained commands while the window's event loop runs, then lets the last events
  // arrive.
  static void xdotool(const QString& script) {
    QProcess xdo;
    xdo.start(u"xdotool"_s, script.split(u' '));
    ASSERT_TRUE(xdo.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return xdo.state() == QProcess::NotRunning; }, 120'000));
    ASSERT_EQ(xdo.exitCode(), 0) << xdo.readAllStandardError().toStdString();
    QTest::qWait(100);
  }
};

TEST_F(KeyModeX11, EachHoldOfAKeyStrikesOnceWhileBothCoresAreBusy) {
  QProcess busy[2];
  for (QProcess& loop : busy) {
    loop.start(u"/bin/sh"_s, {u"-c"_s, u"while :; do :; done"_s});
    ASSERT_TRUE(loop.waitForStarted());
  }
  constexpr int kHolds = 20;
  xdotool(u"keydown a sleep 2 keyup a sleep 0.1 "_s.repeated(kHolds).trimmed());
  for (QProcess& loop : busy) loop.kill(), loop.waitForFinished();

  std::vector<int> expected;
  for (int i = 0; i < kHolds; ++i) expected.insert(expected.end(), {60, -60});
  const std::vector<int> heard = midi.takeNotes();
  EXPECT_EQ(heard, expected) << std::ranges::count(heard, 60) << " note ons and "
                             << std::ranges::count(heard, -60) << " note offs";
}

TEST_F(KeyModeX11, OverlappingKeysAndShiftKeepOneStrikePerPress) {
  const std::pair<QString, std::vector<int>> kSequences[] = {
      // A's release leaves S sounding; S keeps repeating without striking again.
      {u"keydown a sleep 1 keydown s sleep 1 keyup a sleep 1 keyup s"_s, {60, 62, -60, -62}},
      // A released Shift silences keyboard key 0, and the held A does not strike again.
      {u"keydown a sleep 1 keydown shift sleep 1 keyup shift sleep 1 keyup a"_s, {60, -60, -60}},
      {u"keydown shift sleep 0.3 keydown d sleep 1.5 keyup d keyup shift"_s, {64, -64, -60}},
  };
  for (const auto& [script, notes] : kSequences) {
    SCOPED_TRACE(script.toStdString());
    xdotool(script);
    EXPECT_EQ(midi.takeNotes(), notes);
  }
}

}  // namespace
}  // namespace orv::test

// The X server is the caller's (tests/e2e/on_x_server.sh).
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
