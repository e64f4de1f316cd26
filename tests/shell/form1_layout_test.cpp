#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/text_edit.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using shell::px;

struct Placed {
  const char* name;
  int left, top, width, height;  // twips
  const char* caption;           // nullptr: not checked
  bool visible;
};

// The inventory as the window opens (key captions of the first naming system).
const Placed kInventory[] = {
    {"Combo1", 60, 0, 2895, 300, nullptr, true},
    {"Combo2", 3000, 0, 2895, 300, nullptr, true},
    {"Chk_Midi", 6000, 0, 1095, 300, "MIDI", true},
    {"Cmd_Orvo", 7140, 0, 1095, 300, "Orvo", true},
    {"Opt_Sln(0)", 360, 360, 255, 300, ".", true},
    {"Opt_Sln(6)", 2520, 360, 255, 300, "", true},
    {"Cmd_Ltr(0)", 3120, 360, 615, 300, "┃", true},
    {"Chk_Ham", 3900, 360, 855, 300, "和音", true},
    {"Cmd_Tone", 4800, 360, 1275, 300, "", true},
    {"Cmd_Ent", 6120, 360, 1000, 300, "Enter", true},
    {"Cmd_Tcl", 7200, 360, 1000, 300, "Clear", true},
    {"Opt_Lng(7)", 2760, 720, 300, 300, "64", true},
    {"Cmd_Cod(0)", 3120, 720, 615, 300, "CrLf", true},
    {"Combo3", 6360, 720, 1815, 300, nullptr, true},
    {"Opt_Oct(0)", 120, 1080, 300, 780, "<", true},
    {"Opt_Oct(1)", 5880, 1080, 300, 780, ">", true},
    {"Opt_Scl(0)", 480, 1080, 300, 780, "d", true},
    {"Opt_Scl(1)", 660, 1080, 300, 300, "d+", true},
    {"Opt_Scl(13)", 3180, 1080, 300, 300, "d+", true},
    {"Opt_Scl(24)", 5520, 1080, 300, 780, "d", true},
    {"Opt_Scl(25)", 6240, 1080, 300, 780, "_", true},
    {"Chk_Key", 6900, 1080, 1275, 315, "Key", true},
    {"Lbl_Kbd(11)", 4500, 1920, 255, 255, "]", false},
    {"Lbl_Oct(0)", 1620, 1920, 300, 300, "o3", true},
    {"Lbl_Oct(2)", 5580, 1920, 300, 300, "o5", true},
    {"Label1", 480, 7020, 2835, 255, nullptr, false},
    {"Label2", 3540, 7020, 2895, 255, nullptr, false},
    {"Cmd_Cod(1)", 960, 6540, 615, 300, "Undo", false},
};

class Form1Layout : public FormFixture {};

TEST_F(Form1Layout, EveryControlStandsAtItsPlaceWithItsCaption) {
  shell::Form1& f = start();
  f.show();
  for (const Placed& p : kInventory) {
    SCOPED_TRACE(p.name);
    auto* w = f.findChild<QWidget*>(QString::fromUtf8(p.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), QRect(px(p.left), px(p.top), px(p.width), px(p.height)));
    EXPECT_EQ(w->isVisible(), p.visible);
    if (!p.caption) continue;
    auto* b = qobject_cast<QAbstractButton*>(w);
    EXPECT_EQ(b ? b->text() : qobject_cast<QLabel*>(w)->text(), QString::fromUtf8(p.caption));
  }
}

TEST_F(Form1Layout, KeyboardLooksLikeAPiano) {
  shell::Form1& f = start();
  const QList<QObject*>& order = f.centralWidget()->children();
  for (int k = 0; k < 25; ++k) {
    SCOPED_TRACE(k);
    const bool black = std::set<int>{1, 3, 6, 8, 10}.count(k % 12) != 0;
    const QPalette p = f.Opt_Scl[k]->palette();
    EXPECT_EQ(p.color(QPalette::Button), black ? QColor(Qt::black) : QColor(Qt::white));
    EXPECT_EQ(p.color(QPalette::ButtonText), black ? QColor(Qt::white) : QColor(Qt::black));
    // A black key lies in front of both white keys it overlaps.
    if (black) EXPECT_GT(order.indexOf(f.Opt_Scl[k]), order.indexOf(f.Opt_Scl[k + 1]));
  }
  EXPECT_EQ(f.Opt_Scl[25]->palette().color(QPalette::Button), QColor(224, 224, 224));
}

TEST_F(Form1Layout, AllOptionButtonsFormOneExclusiveGroup) {
  shell::Form1& f = start();
  f.show();
  EXPECT_EQ(f.optionGroup->buttons().size(), 26 + 8 + 7 + 2);
  for (QPushButton* b : {f.Opt_Scl[4], f.Opt_Lng[3], f.Opt_Oct[1], f.Opt_Sln[2]}) {
    QTest::mouseClick(b, Qt::LeftButton);
  }
  QList<QAbstractButton*> pressed;
  for (QAbstractButton* b : f.optionGroup->buttons()) {
    if (b->isChecked()) pressed << b;
  }
  EXPECT_EQ(pressed, QList<QAbstractButton*>{f.Opt_Sln[2]});
  EXPECT_EQ(f.Chk_Ham->group(), nullptr) << "check boxes stay apart from the group";
}

TEST_F(Form1Layout, MenuBarFontsFocusAndIcon) {
  shell::Form1& f = start();
  QStringList menu;
  for (QAction* a : f.menuBar()->actions() + f.mnuFile->actions()) {
    menu << a->text() + (a->isEnabled() ? QString() : QStringLiteral(" -")) +
                (a->shortcut().isEmpty() ? QString() : QStringLiteral(" shortcut"));
  }
  EXPECT_EQ(menu,
            QStringList({QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E) -"),
                         QStringLiteral("検索(&S) -"), QStringLiteral("ヘルプ(&H) -"),
                         QStringLiteral("新規作成(&N) -"), QStringLiteral("開く(&O)"),
                         QStringLiteral("上書き保存(&S)"), QStringLiteral("名前を付けて保存(&A)"),
                         QStringLiteral("終了(&X)")}));
  const QFontInfo suffix(f.Opt_Sln[0]->font());
  EXPECT_EQ(std::make_tuple(suffix.family(), suffix.bold(), suffix.pointSize()),
            std::make_tuple(QStringLiteral("IPAPGothic"), true, 9));
  const QFontInfo text(f.TextEdit->font());
  EXPECT_EQ(std::make_tuple(text.family(), text.bold(), text.pointSize()),
            std::make_tuple(QStringLiteral("IPAGothic"), false, 9));
  EXPECT_EQ(f.windowIcon().actualSize(QSize(32, 32)), QSize(32, 32));
  showActive();
  EXPECT_EQ(QApplication::focusWidget(), f.Combo2);
}

TEST_F(Form1Layout, TextAreaFollowsTheWindowSizeAndKeepsTheLastAcceptedOne) {
  shell::Form1& f = start();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  const QRect before = f.TextEdit->geometry();
  EXPECT_EQ(before.topLeft(), QPoint(px(50), px(2150)));
  const QSize size = f.size();
  f.resize(size.width() + px(1500), size.height() + px(750));
  QCoreApplication::processEvents();
  const QRect bigger = f.TextEdit->geometry();
  EXPECT_NEAR(bigger.width() - before.width(), px(1500), 1);
  EXPECT_NEAR(bigger.height() - before.height(), px(750), 1);
  EXPECT_EQ(bigger.topLeft(), before.topLeft());
  EXPECT_EQ(f.Combo3->geometry(), QRect(px(6360), px(720), px(1815), px(300)));
  // Lower than the text area's top: its height stays, its width still follows.
  f.resize(size.width(), px(2000));
  QCoreApplication::processEvents();
  EXPECT_EQ(f.TextEdit->height(), bigger.height());
  EXPECT_NEAR(f.TextEdit->width(), before.width(), 1);
}

// The README's pictures, drawn by the window itself so that they always show what it shows.
TEST_F(Form1Layout, DrawsTheReadmePictures) {
  auto click = [](QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); };
  const struct {
    const char* file;
    std::function<void(shell::Form1&)> steps;
  } pictures[] = {
      {"screenshot.png",
       [&](shell::Form1& f) {
         f.TextEdit->setText(QStringLiteral("d4 r4 m4 f4 ┃s2 m4 d4┃\r\n"));
         f.TextEdit->moveCursor(QTextCursor::End);
         for (QAbstractButton* b : {f.Opt_Scl[7], f.Opt_Lng[3], f.Opt_Sln[0]}) click(b);
       }},
      {"key-mode.png",
       [&](shell::Form1& f) {
         click(f.Chk_Key);
         QTest::keyClick(QApplication::focusWidget(), Qt::Key_G);
       }},
      {"chord-mode.png",
       [&](shell::Form1& f) {
         click(f.Chk_Ham);
         for (QAbstractButton* b : {f.Opt_Scl[0], f.Opt_Scl[4], f.Opt_Scl[7], f.Cmd_Ent}) click(b);
       }},
  };
  for (const auto& picture : pictures) {
    SCOPED_TRACE(picture.file);
    shell::Form1& f = start();
    showActive();
    picture.steps(f);
    EXPECT_TRUE(f.grab().save(
        QDir(QStringLiteral(ORV_DOCS_DIR)).filePath(QString::fromLatin1(picture.file))));
  }
}

TEST_F(Form1Layout, PcKeyLabelsCoverTheOctaveLabelsOnlyInKeyMode) {
  shell::Form1& f = start();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  QWidget* inner = f.centralWidget();
  const std::pair<QLabel*, QLabel*> kPairs[] = {{f.Lbl_Kbd[3], f.Lbl_Oct[0]},
                                                {f.Lbl_Kbd[10], f.Lbl_Oct[1]}};
  QTest::mouseClick(f.Chk_Key, Qt::LeftButton);
  for (const auto& [pcKey, octave] : kPairs) {
    SCOPED_TRACE(pcKey->text().toStdString());
    const QRect r = pcKey->geometry();
    EXPECT_EQ(inner->childAt(r.center()), pcKey);
    // Not a pixel of the octave label shows through the PC-key label.
    const QImage covered = inner->grab(r).toImage();
    octave->hide();
    EXPECT_EQ(inner->grab(r).toImage(), covered);
    octave->show();
  }
  QTest::mouseClick(f.Chk_Key, Qt::LeftButton);
  for (const auto& [pcKey, octave] : kPairs) {
    EXPECT_EQ(inner->childAt(pcKey->geometry().center()), octave);
  }
}

}  // namespace
}  // namespace orv::test
