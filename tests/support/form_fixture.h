#pragma once

// Everything a test of the real window works with: the window, its controls and subsystems, the
// doubles it is built over and the toolkit's test tools.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "document/document_commands.h"
#include "entry/note_entry.h"
#include "midi/module1.h"
#include "platform/control_value.h"
#include "platform/text_edit.h"
#include "platform/unavailable_services.h"
#include "shell/form1.h"
#include "shell/startup_config.h"
#include "support/qt_printers.h"
#include "support/test_keyboards.h"
#include "support/window_doubles.h"

namespace orv::test {

// A real Form1 over the doubles, started in a temporary program folder. By default the INI names
// a player, so start-up shows no box.
class FormFixture : public ::testing::Test {
 protected:
  void TearDown() override;

  // Builds and loads the window; `arguments` is the command line after the program's name.
  shell::Form1& start(const QStringList& arguments = {});
  // Shows the window and waits until it is active, for tests of focus and real input.
  void showActive();
  // Mouse input as the window system delivers it: to the window, which routes it to the control
  // under the pointer, or to the control pressed on while a button is held. Null is outside.
  void mouse(QTest::MouseAction action, QWidget* at, Qt::MouseButton button = Qt::LeftButton);

  QTemporaryDir appFolder;  // the user's configuration folder is its subfolder "config"
  ScriptedMessageBox messages;
  ScriptedFileDialog dialog;
  RecordingMidiService midi;
  platform::UnavailableProcessLauncher launcher;
  FakeIniReader ini;  // names the player /usr/bin/true
  platform::IniReader* iniReader = &ini;
  platform::ProcessLauncher* processLauncher = &launcher;
  platform::MidiService* midiService = &midi;
  TestKeyboards keyboards;
  platform::MidiInput* midiInput = &keyboards;
  int endProgramCalls = 0;
  std::unique_ptr<shell::Form1> form;
};

}  // namespace orv::test
