#include "support/form_fixture.h"

namespace orv::test {

shell::Form1& FormFixture::start(const QStringList& arguments) {
  form = std::make_unique<shell::Form1>(
      shell::Services{messages, dialog, *midiService, *processLauncher, *iniReader, midiInput},
      shell::StartupContext{appFolder.path(), arguments, [this] { ++endProgramCalls; },
                            appFolder.filePath(QStringLiteral("config"))});
  return *form;
}

void FormFixture::showActive() {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
}

void FormFixture::mouse(QTest::MouseAction action, QWidget* at, Qt::MouseButton button) {
  const QPoint point = at ? at->mapTo(form.get(), at->rect().center()) : QPoint(-40, -40);
  QTest::mouseEvent(action, form->windowHandle(), button, {}, point);
}

void FormFixture::TearDown() {
  if (form) {
    form->hide();
    form.reset();
  }
  EXPECT_EQ(messages.pending(), 0u) << "a message box the test expected was not shown";
  EXPECT_EQ(dialog.pending(), 0u) << "a file dialog the test expected was not shown";
}

}  // namespace orv::test
