#pragma once

// The application shell: the main window `Form1` with every control at its place, start-up, the
// resize rule and the launch of the external player. Behaviour lives in the subsystem objects
// Form1 owns; Form1 builds the controls and connects their events to those handlers.

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

namespace orv::platform {
class ButtonEvents;
class FileDialog;
class IniReader;
class MessageBox;
class MidiInput;
class MidiService;
class ProcessLauncher;
class TextEdit;
}  // namespace orv::platform

namespace orv::entry {
class NoteEntry;
}
namespace orv::midi {
class KeyboardInput;
class Module1;
class SoundControls;
}  // namespace orv::midi
namespace orv::document {
class DocumentCommands;
}

namespace orv::shell {

class PlayerLaunch;
class StartupConfig;

struct Services {
  platform::MessageBox& messages;
  platform::FileDialog& CommonDialog1;
  platform::MidiService& midi;
  platform::ProcessLauncher& launcher;
  platform::IniReader& ini;
  platform::MidiInput* keyboards = nullptr;  // the MIDI keyboards; none when null
};

struct StartupContext {
  QString appFolder;                 // the folder of the running program
  QStringList arguments;             // the command line without the program's name
  std::function<void()> endProgram;  // ends the program at once, without closing the window
  QString configFolder = {};         // the user's configuration folder; empty: none
  QString virtualStoreFolder =
      {};  // the system's copies of files older programs wrote; empty: none
};

// Twips to device-independent pixels.
constexpr int px(int twips) {
  return (twips * 2 + 15) / 30;
}
constexpr int twips(int pixels) {
  return pixels * 15;
}

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  Form1(const Services& services, StartupContext context, QWidget* parent = nullptr);
  ~Form1() override;

  void Form_Load();
  void Form_Resize();

  entry::NoteEntry& entry() { return *m_entry; }
  midi::Module1& module1() { return *m_module1; }
  midi::SoundControls& sound() { return *m_sound; }
  document::DocumentCommands& document() { return *m_document; }
  PlayerLaunch& player() { return *m_player; }
  StartupConfig& config() { return *m_config; }

  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QPushButton* Chk_Midi = nullptr;
  QPushButton* Cmd_Orvo = nullptr;
  std::array<QPushButton*, 7> Opt_Sln{};
  std::array<QPushButton*, 1> Cmd_Ltr{};
  QPushButton* Chk_Ham = nullptr;
  QPushButton* Cmd_Tone = nullptr;
  QPushButton* Cmd_Ent = nullptr;
  QPushButton* Cmd_Tcl = nullptr;
  std::array<QPushButton*, 8> Opt_Lng{};
  std::array<QPushButton*, 2> Cmd_Cod{};
  std::array<QPushButton*, 2> Opt_Oct{};
  std::array<QPushButton*, 26> Opt_Scl{};
  QPushButton* Chk_Key = nullptr;
  std::array<QLabel*, 12> Lbl_Kbd{};
  std::array<QLabel*, 3> Lbl_Oct{};
  platform::TextEdit* TextEdit = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QButtonGroup* optionGroup = nullptr;

  QMenu* mnuFile = nullptr;
  QAction* mnuNew = nullptr;
  QAction* mnuOpen = nullptr;
  QAction* mnuUpdate = nullptr;
  QAction* mnuCreateNewFile = nullptr;
  QAction* mnuEnd = nullptr;
  QAction* mnuEdit = nullptr;
  QAction* mnuSrch = nullptr;
  QAction* mnuHelp = nullptr;

  // x positions, in twips, of the three lines drawn behind the keyboard.
  static constexpr std::array<int, 3> kLine1X{480, 3000, 5520};

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void createMenu();
  void connectHandlers();
  void applyScoreFont();
  // The window's font, searching other fonts for what it lacks: for text the program does not
  // write itself.
  QFont outsideTextFont() const;
  // Fills the device list with the system's ports, once.
  void listDevices();

  Services m_services;
  StartupContext m_context;
  platform::ButtonEvents* m_buttonEvents = nullptr;
  std::unique_ptr<midi::Module1> m_module1;
  std::unique_ptr<entry::NoteEntry> m_entry;
  std::unique_ptr<midi::SoundControls> m_sound;
  std::unique_ptr<platform::MidiInput> m_noKeyboards;
  std::unique_ptr<midi::KeyboardInput> m_keyboards;
  std::unique_ptr<document::DocumentCommands> m_document;
  std::unique_ptr<StartupConfig> m_config;
  std::unique_ptr<PlayerLaunch> m_player;
  bool m_devicesListed = false;
};

}  // namespace orv::shell
