#include "shell/form1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

#include <utility>

#include "document/document_commands.h"
#include "entry/note_entry.h"
#include "midi/keyboard_input.h"
#include "midi/module1.h"
#include "midi/sound_controls.h"
#include "platform/button_events.h"
#include "platform/control_value.h"
#include "platform/file_dialog.h"
#include "platform/ini_reader.h"
#include "platform/message_box.h"
#include "platform/midi_service.h"
#include "platform/text_edit.h"
#include "platform/unavailable_services.h"
#include "platform/window_system.h"
#include "shell/app_icon.h"
#include "shell/player_launch.h"
#include "shell/startup_config.h"

namespace orv::shell {

namespace {

// The window's inner area as created, in twips.
constexpr int kInnerWidth = 8325;
constexpr int kInnerHeight = 7320;
// The smallest inner area, in twips: the top rows whole (the rightmost control, Orvo, ends at
// 8235) and a few lines of the text area under them.
constexpr int kMinInnerWidth = 8295;
constexpr int kMinInnerHeight = 3600;

void place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(px(left), px(top), px(width), px(height));
}

QString indexed(const char* name, int index) {
  return QString::fromLatin1(name) + u'(' + QString::number(index) + u')';
}

// The inner area: draws the three lines behind every control.
class InnerArea : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    for (const int x : Form1::kLine1X) painter.drawLine(px(x), px(1100), px(x), px(2300));
  }
};

QFont japaneseFont(const QStringList& families, int points, bool bold) {
  QFont font;
  font.setFamilies(families);
  font.setPointSize(points);
  font.setBold(bold);
  // Its own strategy, not the window's: with the window's, drawn alone, a gothic without a bold
  // face would not be emboldened.
  font.setStyleStrategy(QFont::PreferDefault);
  return font;
}

// The score text at 9 points, for a screen of `devicePixelRatio` device pixels to one of the
// window's. At 100 % (12 px) a half-width letter is 6 px wide, and smoothed outlines of the usual
// gothics blur the three stems of "m" into one grey block there. Konatu Tohaba (like Windows' MS
// Gothic) brings pixel drawings for this size, shown only unsmoothed; unsmoothed, the next three
// keep the stems as well, IPAGothic and Takao keep two. Those drawings fit no other size: at 150 %
// each of their pixels becomes one or two, and "mmm" loses stems. Every other scale takes smoothed
// outlines whose stems fall on whole pixels (IPAGothic's at 150 % and 200 %). Where no listed
// font exists, the fallback is still fixed-pitch, so that the columns of a score line up.
QFont scoreFont(qreal devicePixelRatio) {
  const QString msGothic = QStringLiteral("MS Gothic"), bizGothic = QStringLiteral("BIZ UDGothic");
  const bool pixelSize = qFuzzyCompare(devicePixelRatio, 1.0);
  QFont font = japaneseFont(
      pixelSize ? QStringList{QStringLiteral("Konatu Tohaba"), QStringLiteral("VL Gothic"),
                              QStringLiteral("MigMix 1M"), QStringLiteral("Noto Sans Mono CJK JP"),
                              QStringLiteral("IPAGothic"), QStringLiteral("TakaoGothic"), msGothic,
                              bizGothic, QStringLiteral("monospace")}
                : QStringList{QStringLiteral("IPAGothic"), QStringLiteral("TakaoGothic"),
                              QStringLiteral("Noto Sans Mono CJK JP"), msGothic, bizGothic,
                              QStringLiteral("VL Gothic"), QStringLiteral("MigMix 1M"),
                              QStringLiteral("monospace")},
      9, false);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  // Unsmoothed only where the font found has pixel drawings for this size: the outlines of any
  // other (BIZ UDGothic on a Windows without MS Gothic, say) come out jagged without smoothing.
  // The font is looked up as it will be drawn, so that the text area finds it loaded.
  font.setStyleStrategy(pixelSize ? QFont::NoAntialias : QFont::PreferAntialias);
  if (pixelSize) {
    const QString found = QFontInfo(font).family();
    if (found != QStringLiteral("Konatu Tohaba") && found != msGothic &&
        found != QStringLiteral("ＭＳ ゴシック")) {
      font.setStyleStrategy(QFont::PreferAntialias);
    }
  }
  return font;
}

}  // namespace

Form1::Form1(const Services& services, StartupContext context, QWidget* parent)
    : QMainWindow(parent), m_services(services), m_context(std::move(context)) {
  setObjectName(QStringLiteral("Form1"));
  // The window's font, which every control without one of its own takes as it is created, is a
  // proportional Japanese gothic at 9 points, as the window's captions were drawn for. Its
  // full-width letters are narrow enough for the closed lists: they show about 94 px of text, and
  // in a Western default font the widest naming system, "英米系(ＡＢＣ調)＃", needs some 105 px,
  // with the cut-off mark all that told it from the flat one; the longest instrument names ("025:
  // Acoustic Guitar (nylon)") stay whole as well. Given before any control exists, it costs no
  // second font per control, and the menu's captions need no search for a font that has them.
  // Every caption is the program's own text, all of it in the gothic where one was found: the
  // font is then used alone, without the search for fonts of other scripts that each new script
  // of a font costs (some 2 ms of a start). Text from outside, a file's path and the names of
  // devices, keeps that search (outsideTextFont).
  QFont windowFont = japaneseFont({QStringLiteral("IPAPGothic"), QStringLiteral("MS PGothic"),
                                   QStringLiteral("Konatu"), QApplication::font().family()},
                                  9, false);
  windowFont.setStyleStrategy(QFont::NoFontMerging);
  if (!QFontDatabase::writingSystems(QFontInfo(windowFont).family())
           .contains(QFontDatabase::Japanese)) {
    windowFont.setStyleStrategy(QFont::PreferDefault);
  }
  setFont(windowFont);
  // What the window's first picture does not need follows as soon as the window runs its events,
  // before any input reaches it: the icon, nine pictures to read and hand to the window system,
  // and the key repeat asked of the window system, a round trip to its server. Key mode strikes a
  // note per press and stops it at the release: a held key must not report releases of its own
  // while it repeats.
  QMetaObject::invokeMethod(
      this,
      [this] {
        setWindowIcon(appIcon());
        platform::useDetectableKeyRepeat();
      },
      Qt::QueuedConnection);
  createControls();
  createMenu();

  m_module1 = std::make_unique<midi::Module1>(services.midi, services.messages);

  entry::EntryControls entryControls;
  std::copy(Opt_Scl.begin(), Opt_Scl.end(), entryControls.Opt_Scl.begin());
  std::copy(Opt_Lng.begin(), Opt_Lng.end(), entryControls.Opt_Lng.begin());
  std::copy(Opt_Sln.begin(), Opt_Sln.end(), entryControls.Opt_Sln.begin());
  std::copy(Opt_Oct.begin(), Opt_Oct.end(), entryControls.Opt_Oct.begin());
  std::copy(Cmd_Cod.begin(), Cmd_Cod.end(), entryControls.Cmd_Cod.begin());
  std::copy(Cmd_Ltr.begin(), Cmd_Ltr.end(), entryControls.Cmd_Ltr.begin());
  entryControls.Lbl_Kbd = Lbl_Kbd;
  entryControls.Cmd_Tone = Cmd_Tone;
  entryControls.Cmd_Ent = Cmd_Ent;
  entryControls.Cmd_Tcl = Cmd_Tcl;
  entryControls.Chk_Ham = Chk_Ham;
  entryControls.Chk_Key = Chk_Key;
  entryControls.Combo3 = Combo3;
  entryControls.TextEdit = TextEdit;
  m_entry = std::make_unique<entry::NoteEntry>(
      entryControls, services.messages, [this](int key) { m_module1->NoteOn(key); },
      [this](int key) { m_module1->NoteOff(key); });

  m_sound = std::make_unique<midi::SoundControls>(
      midi::SoundControlWidgets{Chk_Midi, Combo1, Combo2}, *m_module1, m_entry->ChordKeys);

  platform::MidiInput* keyboards = services.keyboards;
  if (keyboards == nullptr) {
    m_noKeyboards = std::make_unique<platform::UnavailableMidiInput>();
    keyboards = m_noKeyboards.get();
  }
  m_keyboards = std::make_unique<midi::KeyboardInput>(
      *Chk_Midi, *keyboards, *m_module1,
      midi::KeyboardInput::Entry{[this](int note) { m_entry->PlayedNote(note); },
                                 [this] { m_entry->PedalPressed(); },
                                 [] { return QApplication::activeModalWidget() != nullptr; }});

  m_document = std::make_unique<document::DocumentCommands>(
      document::DocumentControls{TextEdit, Label1, Label2, this}, services.messages,
      services.CommonDialog1,
      [this] {
        m_keyboards->Close();
        m_module1->ResetMidiOut();
        m_module1->CloseMidiOut();
      },
      m_context.endProgram);

  m_config = std::make_unique<StartupConfig>();
  m_player = std::make_unique<PlayerLaunch>(
      *Chk_Midi, services.messages, services.launcher, m_config->PlayerPath,
      PlayerLaunch::Document{m_document->FilePath, m_document->Modified});

  connectHandlers();
  qApp->installEventFilter(this);
  Form_Load();
}

Form1::~Form1() {
  qApp->removeEventFilter(this);
  // The handlers reach the controls through the subsystem objects; drop them before the widgets.
  m_player.reset();
  m_document.reset();
  m_keyboards.reset();
  m_sound.reset();
  m_entry.reset();
}

void Form1::createControls() {
  auto* inner = new InnerArea(this);
  inner->setObjectName(QStringLiteral("innerArea"));
  // Nothing moves when the window shrinks, so a smaller window would hide Enter, Clear, Key and
  // the list of naming systems.
  inner->setMinimumSize(px(kMinInnerWidth), px(kMinInnerHeight));
  setCentralWidget(inner);

  optionGroup = new QButtonGroup(this);
  optionGroup->setExclusive(true);

  auto combo = [&](const char* name, int left, int top, int width, int height) {
    auto* c = new QComboBox(inner);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(false);
    c->setMaxVisibleItems(20);
    place(c, left, top, width, height);
    return c;
  };
  auto button = [&](const QString& name, const QString& caption, int left, int top, int width,
                    int height) {
    auto* b = new QPushButton(caption, inner);
    b->setObjectName(name);
    b->setAutoDefault(false);
    place(b, left, top, width, height);
    return b;
  };
  auto checkBox = [&](const char* name, const QString& caption, int left, int top, int width,
                      int height) {
    auto* b = button(QString::fromLatin1(name), caption, left, top, width, height);
    b->setCheckable(true);
    return b;
  };
  auto option = [&](const char* name, int index, const QString& caption, int left, int top,
                    int width, int height) {
    auto* b = button(indexed(name, index), caption, left, top, width, height);
    b->setCheckable(true);
    optionGroup->addButton(b);
    return b;
  };

  // Created in tab order: the device list first.
  Combo2 = combo("Combo2", 3000, 0, 2895, 300);
  Combo1 = combo("Combo1", 60, 0, 2895, 300);
  Chk_Midi = checkBox("Chk_Midi", QStringLiteral("MIDI"), 6000, 0, 1095, 300);
  Cmd_Orvo = button(QStringLiteral("Cmd_Orvo"), QStringLiteral("Orvo"), 7140, 0, 1095, 300);

  // IPAPGothic draws "~" at this size as a short bar at the top, much like "^"; VL PGothic draws a
  // wave.
  const QFont suffixFont =
      japaneseFont({QStringLiteral("VL PGothic"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP"),
                    QStringLiteral("TakaoPGothic"), QStringLiteral("MS PGothic")},
                   9, true);
  const std::array<QString, 7> suffixes{QStringLiteral("."),
                                        QStringLiteral("i"),
                                        QStringLiteral("^"),
                                        QStringLiteral("~"),
                                        QStringLiteral("'"),
                                        QStringLiteral("/"),
                                        QString()};
  for (int i = 0; i < 7; ++i) {
    Opt_Sln[i] = option("Opt_Sln", i, suffixes[i], 360 + 360 * i, 360, 255, 300);
    Opt_Sln[i]->setFont(suffixFont);
  }
  Cmd_Ltr[0] = button(indexed("Cmd_Ltr", 0), QStringLiteral("┃"), 3120, 360, 615, 300);
  Chk_Ham = checkBox("Chk_Ham", QStringLiteral("和音"), 3900, 360, 855, 300);
  Cmd_Tone = button(QStringLiteral("Cmd_Tone"), QStringLiteral("Command1"), 4800, 360, 1275, 300);
  Cmd_Ent = button(QStringLiteral("Cmd_Ent"), QStringLiteral("Enter"), 6120, 360, 1000, 300);
  Cmd_Ent->setAutoDefault(true);  // Return presses it while it has the focus (Key mode)
  Cmd_Tcl = button(QStringLiteral("Cmd_Tcl"), QStringLiteral("Clear"), 7200, 360, 1000, 300);

  const std::array<const char*, 8> lengths{"0", "1", "2", "4", "8", "16", "32", "64"};
  for (int i = 0; i < 8; ++i) {
    Opt_Lng[i] =
        option("Opt_Lng", i, QString::fromLatin1(lengths[i]), 240 + 360 * i, 720, 300, 300);
  }
  Cmd_Cod[0] = button(indexed("Cmd_Cod", 0), QStringLiteral("CrLf"), 3120, 720, 615, 300);
  Combo3 = combo("Combo3", 6360, 720, 1815, 300);

  Opt_Oct[0] = option("Opt_Oct", 0, QStringLiteral("<"), 120, 1080, 300, 780);

  // The keyboard: white keys first so that the black keys lie in front of them.
  const std::array<const char*, 12> names{"d",  "d+", "r",  "r+", "m",  "f",
                                          "f+", "s",  "s+", "l",  "l+", "c"};
  auto isBlack = [](int key) {
    const int r = key % 12;
    return r == 1 || r == 3 || r == 6 || r == 8 || r == 10;
  };
  int whiteLeft = 480;
  std::array<int, 25> left{};
  for (int k = 0; k < 25; ++k) {
    if (isBlack(k)) {
      left[k] = left[k - 1] + 180;
    } else {
      left[k] = whiteLeft;
      whiteLeft += 360;
    }
  }
  // Keys are drawn by a style that paints a button in its palette's colours. The Windows styles
  // draw every push button in the system theme's colours, which would leave the black keys white
  // with white captions.
  QStyle* keyStyle = QStyleFactory::create(QStringLiteral("Fusion"));
  keyStyle->setParent(this);
  QPalette whitePalette;
  whitePalette.setColor(QPalette::Button, Qt::white);
  whitePalette.setColor(QPalette::ButtonText, Qt::black);
  QPalette blackPalette;
  blackPalette.setColor(QPalette::Button, Qt::black);
  blackPalette.setColor(QPalette::ButtonText, Qt::white);
  for (const bool black : {false, true}) {
    for (int k = 0; k < 25; ++k) {
      if (isBlack(k) != black) continue;
      Opt_Scl[k] = option("Opt_Scl", k, QString::fromLatin1(names[k % 12]), left[k], 1080, 300,
                          black ? 300 : 780);
      Opt_Scl[k]->setStyle(keyStyle);
      Opt_Scl[k]->setPalette(black ? blackPalette : whitePalette);
    }
  }
  Opt_Oct[1] = option("Opt_Oct", 1, QStringLiteral(">"), 5880, 1080, 300, 780);
  Opt_Scl[25] = option("Opt_Scl", 25, QStringLiteral("_"), 6240, 1080, 300, 780);
  QPalette restPalette;
  restPalette.setColor(QPalette::Button, QColor(224, 224, 224));
  Opt_Scl[25]->setStyle(keyStyle);
  Opt_Scl[25]->setPalette(restPalette);
  Chk_Key = checkBox("Chk_Key", QStringLiteral("Key"), 6900, 1080, 1275, 315);

  const std::array<int, 3> octLeft{1620, 4140, 5580};
  for (int i = 0; i < 3; ++i) {
    auto* l = new QLabel(QStringLiteral("o") + QString::number(3 + i), inner);
    l->setObjectName(indexed("Lbl_Oct", i));
    place(l, octLeft[i], 1920, 300, 300);
    l->hide();
    Lbl_Oct[i] = l;
  }
  // "F" and ":" stand where "o3" and "o4" do. Made after the octave labels and filled with the
  // window's background, a PC-key label covers the octave label under it while Key mode shows
  // it, so the key to play reads cleanly; hidden again, it uncovers the octave label.
  const std::array<const char*, 12> pcKeys{"A", "S", "D", "F", "G", "H",
                                           "J", "K", "L", ";", ":", "]"};
  for (int i = 0; i < 12; ++i) {
    auto* l = new QLabel(QString::fromLatin1(pcKeys[i]), inner);
    l->setObjectName(indexed("Lbl_Kbd", i));
    l->setAutoFillBackground(true);
    place(l, 540 + 360 * i, 1920, 255, 255);
    l->hide();
    Lbl_Kbd[i] = l;
  }

  TextEdit = new platform::TextEdit(inner);
  TextEdit->setObjectName(QStringLiteral("TextEdit"));
  applyScoreFont();
  TextEdit->setGeometry(px(50), px(2150), px(kInnerWidth - 200), px(kInnerHeight - 2850));

  Label1 = new QLabel(inner);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);  // a file name, never markup
  Label1->setFont(outsideTextFont());
  place(Label1, 480, 7020, 2835, 255);
  Label1->hide();
  Label2 = new QLabel(inner);
  Label2->setObjectName(QStringLiteral("Label2"));
  place(Label2, 3540, 7020, 2895, 255);
  Label2->hide();
  Cmd_Cod[1] = button(indexed("Cmd_Cod", 1), QStringLiteral("Undo"), 960, 6540, 615, 300);
  Cmd_Cod[1]->hide();

  // The order of creation is the tab order; the device list comes first and has the focus.
  Combo2->setFocus(Qt::OtherFocusReason);
}

void Form1::createMenu() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  mnuFile = bar->addMenu(QStringLiteral("ファイル(&F)"));
  // Opened, the menu is a window of its own, which would take the application's font.
  mnuFile->setFont(font());
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  auto item = [&](const char* name, const QString& caption) {
    QAction* a = mnuFile->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcuts({});
    return a;
  };
  mnuNew = item("mnuNew", QStringLiteral("新規作成(&N)"));
  mnuNew->setEnabled(false);
  mnuOpen = item("mnuOpen", QStringLiteral("開く(&O)"));
  mnuUpdate = item("mnuUpdate", QStringLiteral("上書き保存(&S)"));
  mnuCreateNewFile = item("mnuCreateNewFile", QStringLiteral("名前を付けて保存(&A)"));
  mnuEnd = item("mnuEnd", QStringLiteral("終了(&X)"));
  auto empty = [&](const char* name, const QString& caption) {
    QAction* a = bar->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(false);
    return a;
  };
  mnuEdit = empty("mnuEdit", QStringLiteral("編集(&E)"));
  mnuSrch = empty("mnuSrch", QStringLiteral("検索(&S)"));
  mnuHelp = empty("mnuHelp", QStringLiteral("ヘルプ(&H)"));
}

void Form1::connectHandlers() {
  entry::NoteEntry& e = *m_entry;
  midi::SoundControls& s = *m_sound;
  document::DocumentCommands& d = *m_document;

  m_buttonEvents = new platform::ButtonEvents(this);
  for (int k = 0; k < 26; ++k) {
    connect(Opt_Scl[k], &QAbstractButton::clicked, this, [&e, k] { e.Opt_Scl_Click(k); });
    m_buttonEvents->watch(
        Opt_Scl[k], k,
        {[&s](int i) { s.Opt_Scl_MouseDown(i); }, [&s](int i) { s.Opt_Scl_MouseUp(i); },
         [&e](int i) { e.Opt_Scl_DblClick(i); }});
  }
  for (int i = 0; i < 8; ++i) {
    connect(Opt_Lng[i], &QAbstractButton::clicked, this, [&e, i] { e.Opt_Lng_Click(i); });
    m_buttonEvents->watch(Opt_Lng[i], i, {{}, {}, [&e](int j) { e.Opt_Lng_DblClick(j); }});
  }
  for (int i = 0; i < 7; ++i) {
    connect(Opt_Sln[i], &QAbstractButton::clicked, this, [&e, i] { e.Opt_Sln_Click(i); });
    m_buttonEvents->watch(Opt_Sln[i], i, {{}, {}, [&e](int j) { e.Opt_Sln_DblClick(j); }});
  }
  for (int i = 0; i < 2; ++i) {
    m_buttonEvents->watch(Opt_Oct[i], i, {{}, {}, [&e](int j) { e.Opt_Oct_DblClick(j); }});
    connect(Cmd_Cod[i], &QAbstractButton::clicked, this, [&e, i] { e.Cmd_Cod_Click(i); });
  }
  connect(Cmd_Ltr[0], &QAbstractButton::clicked, this, [&e] { e.Cmd_Ltr_Click(0); });
  connect(Cmd_Ent, &QAbstractButton::clicked, this, [&e] { e.Cmd_Ent_Click(); });
  connect(Cmd_Tcl, &QAbstractButton::clicked, this, [&e] { e.Cmd_Tcl_Click(); });
  connect(Chk_Ham, &QAbstractButton::clicked, this, [&e] { e.Chk_Ham_Click(); });
  connect(Chk_Key, &QAbstractButton::clicked, this, [&e] { e.Chk_Key_Click(); });
  connect(Combo3, &QComboBox::activated, this, [&e] { e.Combo3_Click(); });

  connect(Cmd_Tone, &QAbstractButton::clicked, this, [&s] { s.Cmd_Tone_Click(); });
  m_buttonEvents->watch(
      Cmd_Tone, 0,
      {[&s](int) { s.Cmd_Tone_MouseDown(); }, [&s](int) { s.Cmd_Tone_MouseUp(); }, {}});
  connect(Chk_Midi, &QAbstractButton::clicked, this, [this, &s] {
    // Switched off, the keyboards' notes end before the output is reset and closed; switched on,
    // the keyboards open after the output, so that the port it sends to is known and left out.
    const bool on = platform::value(*Chk_Midi) == 1;
    if (!on) m_keyboards->Chk_Midi_Click();
    s.Chk_Midi_Click();
    if (on) m_keyboards->Chk_Midi_Click();
  });
  connect(Combo1, &QComboBox::activated, this, [&s] { s.Combo1_Click(); });
  connect(Combo2, &QComboBox::activated, this, [&s] { s.Combo2_Click(); });

  connect(TextEdit, &platform::TextEdit::Change, this, [&d] { d.TextEdit_Change(); });
  connect(mnuOpen, &QAction::triggered, this, [&d] { d.mnuOpen_Click(); });
  connect(mnuUpdate, &QAction::triggered, this, [&d] { d.mnuUpdate_Click(); });
  connect(mnuCreateNewFile, &QAction::triggered, this, [&d] { d.mnuCreateNewFile_Click(); });
  connect(mnuEnd, &QAction::triggered, this, [&d] { d.mnuEnd_Click(); });

  connect(Cmd_Orvo, &QAbstractButton::clicked, this, [this] { m_player->Cmd_Orvo_Click(); });
}

void Form1::Form_Load() {
  // The window's inner area as created; the menu bar sits above it.
  resize(px(kInnerWidth), px(kInnerHeight) + menuBar()->sizeHint().height());

  m_module1->BaseNote = 60;
  // Listing the system's ports reads its sound configuration and looks for a sound server, which
  // the window need not wait for: until the listing, which comes as soon as the window runs its
  // events and before any input reaches it, the list holds the mapper alone and has it chosen.
  m_sound->FillDeviceList({});
  QMetaObject::invokeMethod(this, &Form1::listDevices, Qt::QueuedConnection);

  TextEdit->setText(QString());
  m_entry->ClearForStartUp();

  for (QLabel* l : Lbl_Kbd) l->hide();
  for (QLabel* l : Lbl_Oct) l->show();

  m_entry->FillNotationList();
  m_sound->FillInstrumentList();

  StartupConfig& c = *m_config;
  c.AppFolder = m_context.appFolder;
  c.IniPath =
      StartupConfig::iniPath(c.AppFolder, m_context.configFolder, m_context.virtualStoreFolder);
  const QString kMissing = QStringLiteral("ERR");
  const QString player = m_services.ini.readString(c.IniPath, QStringLiteral("OrvFiler"),
                                                   QStringLiteral("Orvo"), kMissing);
  if (player == kMissing) {
    m_services.messages.show(
        QStringLiteral("OrvoFilerと同じディレクトリで実行することをお奨めします。"),
        platform::MessageBox::kOkOnly, platform::kApplicationTitle);
    Cmd_Orvo->setEnabled(false);
  } else {
    c.PlayerPath = player;
  }
  const QString lastPath = m_services.ini.readString(c.IniPath, QStringLiteral("OrvFiler"),
                                                     QStringLiteral("Lastpath"), kMissing);
  document::DocumentCommands& d = *m_document;
  if (lastPath != kMissing) d.LastFolder = StartupConfig::probedFolder(lastPath);

  d.FilePath = StartupConfig::commandLinePath(m_context.arguments);
  // A file that exists but was refused (a FIFO, a device, no access) must not become the
  // document's file: the first Save would replace it.
  if (!d.FilePath.isEmpty() &&
      d.ReadDocumentFile(d.FilePath) == document::DocumentCommands::ReadOutcome::Refused) {
    d.FilePath.clear();
  }

  Label1->setText(d.FilePath);
  d.TitleText = StartupConfig::titleText();
  d.MarkNotModified(d.FilePath);

  m_services.CommonDialog1.Filter = QStringLiteral("Orvoファイル (*.orv)|*.orv");
  // Save As asks before it replaces an existing file: another score chosen by a slip is not lost.
  m_services.CommonDialog1.Flags =
      platform::FileDialog::kHideReadOnly | platform::FileDialog::kOverwritePrompt;
}

QFont Form1::outsideTextFont() const {
  QFont merging = font();
  merging.setStyleStrategy(QFont::PreferDefault);
  return merging;
}

void Form1::listDevices() {
  if (std::exchange(m_devicesListed, true)) return;
  // Given here, after the window first shows: a list given a font makes its popup at once.
  Combo2->setFont(outsideTextFont());
  m_sound->FillDeviceList(m_services.midi.outputPorts());
}

void Form1::Form_Resize() {
  // The outer size: frame, title bar and menu bar included.
  const QRect outer = frameGeometry();
  const int width = twips(outer.width()) - 200;
  const int height = twips(outer.height()) - 2850;
  QRect r = TextEdit->geometry();
  r.moveLeft(px(50));
  if (width >= 0) r.setWidth(px(width));
  r.moveTop(px(2150));
  if (height >= 0) r.setHeight(px(height));
  TextEdit->setGeometry(r);
}

void Form1::applyScoreFont() {
  TextEdit->setFont(scoreFont(TextEdit->devicePixelRatioF()));
}

bool Form1::event(QEvent* event) {
  // Moved to a screen of another scale, the score takes the font drawn for that scale.
  if (event->type() == QEvent::ScreenChangeInternal) applyScoreFont();
  return QMainWindow::event(event);
}

void Form1::closeEvent(QCloseEvent* event) {
  qint16 cancel = 0;
  m_document->Form_Unload(cancel);
  if (cancel != 0) {
    event->ignore();
  } else {
    event->accept();
  }
}

void Form1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Form_Resize();
}

void Form1::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // The rule measures the window with its frame. A window manager that frames the window, or
  // changes the frame, moves the window without changing its own size.
  Form_Resize();
}

void Form1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
    // A key or mouse button held while the window lost the input never reports its release.
    m_entry->ReleaseHeldKey();
    m_sound->ReleaseHeldNotes();
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (!m_devicesListed && (type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
                           type == QEvent::MouseButtonDblClick || type == QEvent::Wheel)) {
    listDevices();
  }
  if (type == QEvent::FocusOut) {
    // A menu or list popup takes the keyboard without deactivating the window; the release of a
    // PC key held then goes to the popup.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    auto* widget = qobject_cast<QWidget*>(watched);
    if (reason == Qt::PopupFocusReason && widget && widget->window() == this) {
      m_entry->ReleaseHeldKey();
    }
    return false;
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  // Key preview: the window sees each key once, before the control that has the focus, and only
  // while no menu, dialog or message box holds the keyboard.
  QWidget* target = QApplication::focusWidget();
  if (!target) target = this;
  if (watched != target || target->window() != this) return false;
  if (QApplication::activePopupWidget() || QApplication::activeModalWidget()) return false;
  if (qobject_cast<QMenuBar*>(target)) return false;  // keyboard navigation of the menu bar
  auto* key = static_cast<QKeyEvent*>(event);
  if (type == QEvent::KeyPress) return m_entry->Form_KeyDown(*key);
  m_entry->Form_KeyUp(*key);
  return false;
}

}  // namespace orv::shell
