// The text area of a real Form1 on a real X server, under whatever window manager runs there:
// its size at first show must be the size the resize rule gives for the window's outer size, and
// the same after a resize and back and after maximise and restore. Prints the sizes it saw and
// fails when they differ. Usage: form1_frame_probe [--framed]
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "platform/text_edit.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using shell::px;
using shell::twips;

bool framed = false;

QString text(const QSize& s) {
  return QString::number(s.width()) + u'x' + QString::number(s.height());
}

// Lets the window manager answer: waits until `done` holds and the window has been quiet a while.
void settle(const std::function<bool()>& done) {
  (void)QTest::qWaitFor(done, 3000);
  QTest::qWait(400);
}

class FrameProbe : public FormFixture {};

TEST_F(FrameProbe, TextAreaKeepsTheSizeTheRuleGivesTheOuterWindow) {
  shell::Form1& form = start();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form)) << "the window was never shown";
  settle([&] { return !framed || form.frameGeometry() != form.geometry(); });
  ASSERT_TRUE(!framed || form.frameGeometry() != form.geometry()) << "no window manager framed it";
  const QSize first = form.TextEdit->size(), outer = form.frameGeometry().size();
  const QSize ruled(px(twips(outer.width()) - 200), px(twips(outer.height()) - 2850));

  const QSize size = form.size();
  form.resize(size + QSize(100, 60));
  settle([&] { return form.size() != size; });
  form.resize(size);
  settle([&] { return form.size() == size; });
  const QSize resized = form.TextEdit->size();

  form.showMaximized();
  settle([&] { return form.isMaximized(); });
  const bool maximised = form.isMaximized();
  form.showNormal();
  settle([&] { return !form.isMaximized() && form.size() == size; });
  const QSize restored = form.TextEdit->size();

  std::printf(
      "frame %s window %s: text area %s at first show, %s after a resize and back, %s "
      "after %smaximise and restore (rule: %s)\n",
      qPrintable(text(outer)), qPrintable(text(size)), qPrintable(text(first)),
      qPrintable(text(resized)), qPrintable(text(restored)), maximised ? "" : "an unsupported ",
      qPrintable(text(ruled)));
  EXPECT_EQ(std::tuple(first, resized, restored), std::tuple(ruled, ruled, ruled));
}

}  // namespace
}  // namespace orv::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  orv::test::framed = argc > 1 && std::strcmp(argv[1], "--framed") == 0;
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
