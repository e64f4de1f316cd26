// The text area of a real Form1 on a real X server, under whatever window manager runs there:
// its size at first show must be the size the resize rule gives for the window's outer size, and
// the same after a resize and back and after maximise and restore. Prints the sizes it saw and
// ends with status 1 when they differ. Usage: form1_frame_probe [--framed]
#include <QApplication>
#include <QTest>

#include <cstdio>
#include <cstring>

#include "platform/text_edit.h"
#include "platform/unavailable_services.h"
#include "shell/form1.h"
#include "support/fake_ini_reader.h"
#include "support/scripted_file_dialog.h"
#include "support/scripted_message_box.h"

namespace {

using orv::shell::px;
using orv::shell::twips;

QString text(const QSize& s) {
  return QString::number(s.width()) + u'x' + QString::number(s.height());
}

// What the resize rule makes of the window's outer size.
QSize ruled(const orv::shell::Form1& form) {
  const QSize outer = form.frameGeometry().size();
  return {px(twips(outer.width()) - 200), px(twips(outer.height()) - 2850)};
}

// Lets the window manager answer: waits until `done` holds and the window has been quiet a while.
void settle(const std::function<bool()>& done) {
  (void)QTest::qWaitFor(done, 3000);
  QTest::qWait(400);
}

}  // namespace

int main(int argc, char** argv) {
  const bool framed = argc > 1 && std::strcmp(argv[1], "--framed") == 0;
  QApplication app(argc, argv);
  orv::test::ScriptedMessageBox messages;
  orv::test::ScriptedFileDialog dialog;
  orv::platform::UnavailableMidiService midi;
  orv::platform::UnavailableProcessLauncher launcher;
  orv::test::FakeIniReader ini;
  orv::shell::Form1 form(orv::shell::Services{messages, dialog, midi, launcher, ini},
                         orv::shell::StartupContext{QString(), {}, [] {}});
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) {
    std::puts("FAIL: the window was never shown");
    return 1;
  }
  settle([&] { return !framed || form.frameGeometry() != form.geometry(); });
  if (framed && form.frameGeometry() == form.geometry()) {
    std::puts("FAIL: no window manager framed the window");
    return 1;
  }
  const QSize first = form.TextEdit->size();
  const QSize expected = ruled(form);

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
      qPrintable(text(form.frameGeometry().size())), qPrintable(text(form.size())),
      qPrintable(text(first)), qPrintable(text(resized)), qPrintable(text(restored)),
      maximised ? "" : "an unsupported ", qPrintable(text(expected)));
  const bool same = first == expected && resized == expected && restored == expected;
  std::puts(same ? "1 passed, 0 failed" : "FAIL: the text area changed");
  return same ? 0 : 1;
}
