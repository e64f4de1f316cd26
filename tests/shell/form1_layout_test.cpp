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
  int left, top, width, height;
  const char* caption;  // nullptr: not checked
};

// The inventory in twips, as the window is created (key captions of the first naming system).
const Placed kInventory[] = {
    {"Combo1", 60, 0, 2895, 300, nullptr},
    {"Combo2", 3000, 0, 2895, 300, nullptr},
    {"Chk_Midi", 6000, 0, 1095, 300, "MIDI"},
    {"Cmd_Orvo", 7140, 0, 1095, 300, "Orvo"},
    {"Opt_Sln(0)", 360, 360, 255, 300, "."},
    {"Opt_Sln(5)", 2160, 360, 255, 300, "/"},
    {"Opt_Sln(6)", 2520, 360, 255, 300, ""},
    {"Cmd_Ltr(0)", 3120, 360, 615, 300, "┃"},
    {"Chk_Ham", 3900, 360, 855, 300, "和音"},
    {"Cmd_Tone", 4800, 360, 1275, 300, ""},
    {"Cmd_Ent", 6120, 360, 1000, 300, "Enter"},
    {"Cmd_Tcl", 7200, 360, 1000, 300, "Clear"},
    {"Opt_Lng(0)", 240, 720, 300, 300, "0"},
    {"Opt_Lng(7)", 2760, 720, 300, 300, "64"},
    {"Cmd_Cod(0)", 3120, 720, 615, 300, "CrLf"},
    {"Combo3", 6360, 720, 1815, 300, nullptr},
    {"Opt_Oct(0)", 120, 1080, 300, 780, "<"},
    {"Opt_Oct(1)", 5880, 1080, 300, 780, ">"},
    {"Opt_Scl(0)", 480, 1080, 300, 780, "d"},
    {"Opt_Scl(1)", 660, 1080, 300, 300, "d+"},
    {"Opt_Scl(11)", 2640, 1080, 300, 780, "c"},
    {"Opt_Scl(13)", 3180, 1080, 300, 300, "d+"},
    {"Opt_Scl(22)", 4980, 1080, 300, 300, "l+"},
    {"Opt_Scl(24)", 5520, 1080, 300, 780, "d"},
    {"Opt_Scl(25)", 6240, 1080, 300, 780, "_"},
    {"Chk_Key", 6900, 1080, 1275, 315, "Key"},
    {"Lbl_Kbd(0)", 540, 1920, 255, 255, "A"},
    {"Lbl_Kbd(11)", 4500, 1920, 255, 255, "]"},
    {"Lbl_Oct(0)", 1620, 1920, 300, 300, "o3"},
    {"Lbl_Oct(2)", 5580, 1920, 300, 300, "o5"},
    {"Label1", 480, 7020, 2835, 255, nullptr},
    {"Label2", 3540, 7020, 2895, 255, nullptr},
    {"Cmd_Cod(1)", 960, 6540, 615, 300, "Undo"},
};

class Form1Layout : public FormFixture {};

TEST_F(Form1Layout, EveryControlStandsAtItsPlaceWithItsCaption) {
  shell::Form1& f = start();
  for (const Placed& p : kInventory) {
    SCOPED_TRACE(p.name);
    auto* w = f.findChild<QWidget*>(QString::fromUtf8(p.name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), QRect(px(p.left), px(p.top), px(p.width), px(p.height)));
    if (!p.caption) continue;
    const QString caption = QString::fromUtf8(p.caption);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) EXPECT_EQ(b->text(), caption);
    if (auto* l = qobject_cast<QLabel*>(w)) EXPECT_EQ(l->text(), caption);
  }
}

TEST_F(Form1Layout, KeyboardLooksLikeAPiano) {
  shell::Form1& f = start();
  const std::set<int> black{1, 3, 6, 8, 10, 13, 15, 18, 20, 22};
  for (int k = 0; k < 25; ++k) {
    SCOPED_TRACE(k);
    QPushButton* key = f.Opt_Scl[k];
    const bool isBlack = black.count(k) != 0;
    EXPECT_EQ(key->palette().color(QPalette::Button), isBlack ? QColor(Qt::black) : QColor(Qt::white));
    if (isBlack) {
      EXPECT_EQ(key->palette().color(QPalette::ButtonText), QColor(Qt::white));
      // In front of both white keys it overlaps.
      const QList<QObject*>& order = key->parentWidget()->children();
      EXPECT_GT(order.indexOf(key), order.indexOf(f.Opt_Scl[k - 1]));
      EXPECT_GT(order.indexOf(key), order.indexOf(f.Opt_Scl[k + 1]));
    }
  }
  EXPECT_EQ(f.Opt_Scl[25]->palette().color(QPalette::Button), QColor(224, 224, 224));
}

TEST_F(Form1Layout, VisibilityAfterStartUp) {
  shell::Form1& f = start();
  f.show();
  for (QLabel* l : f.Lbl_Kbd) EXPECT_FALSE(l->isVisible());
  for (QLabel* l : f.Lbl_Oct) EXPECT_TRUE(l->isVisible());
  EXPECT_FALSE(f.Label1->isVisible());
  EXPECT_FALSE(f.Label2->isVisible());
  EXPECT_FALSE(f.Cmd_Cod[1]->isVisible());
  EXPECT_TRUE(f.Cmd_Cod[0]->isVisible());
}

TEST_F(Form1Layout, AllOptionButtonsFormOneExclusiveGroup) {
  shell::Form1& f = start();
  f.show();
  const QList<QAbstractButton*> all = f.optionGroup->buttons();
  EXPECT_EQ(all.size(), 26 + 8 + 7 + 2);
  QTest::mouseClick(f.Opt_Scl[4], Qt::LeftButton);
  QTest::mouseClick(f.Opt_Lng[3], Qt::LeftButton);
  EXPECT_FALSE(f.Opt_Scl[4]->isChecked());
  EXPECT_TRUE(f.Opt_Lng[3]->isChecked());
  QTest::mouseClick(f.Opt_Oct[1], Qt::LeftButton);
  QTest::mouseClick(f.Opt_Sln[2], Qt::LeftButton);
  int pressed = 0;
  for (QAbstractButton* b : all) pressed += b->isChecked();
  EXPECT_EQ(pressed, 1);
  EXPECT_TRUE(f.Opt_Sln[2]->isChecked());
  // Check boxes stay pressed while ticked, apart from the group.
  EXPECT_TRUE(f.Chk_Ham->isCheckable());
  EXPECT_EQ(f.Chk_Ham->group(), nullptr);
}

TEST_F(Form1Layout, MenuBarAsDesigned) {
  shell::Form1& f = start();
  const QList<QAction*> top = f.menuBar()->actions();
  ASSERT_EQ(top.size(), 4);
  const QStringList topCaptions{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                                QStringLiteral("検索(&S)"), QStringLiteral("ヘルプ(&H)")};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(top[i]->text(), topCaptions[i]);
    EXPECT_EQ(top[i]->isEnabled(), i == 0);
  }
  const QList<QAction*> items = f.mnuFile->actions();
  const QStringList captions{QStringLiteral("新規作成(&N)"), QStringLiteral("開く(&O)"),
                             QStringLiteral("上書き保存(&S)"), QStringLiteral("名前を付けて保存(&A)"),
                             QStringLiteral("終了(&X)")};
  ASSERT_EQ(items.size(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(items[i]->text(), captions[i]);
    EXPECT_EQ(items[i]->isEnabled(), i != 0);
    EXPECT_TRUE(items[i]->shortcut().isEmpty());
  }
}

TEST_F(Form1Layout, DeviceListIsFirstAndFocused) {
  shell::Form1& f = start();
  showActive();
  EXPECT_EQ(QApplication::focusWidget(), f.Combo2);
  EXPECT_EQ(f.windowIcon().actualSize(QSize(32, 32)), QSize(32, 32));
}

TEST_F(Form1Layout, FontsAreTheJapaneseGothics) {
  shell::Form1& f = start();
  const QFontInfo suffix(f.Opt_Sln[0]->font());
  EXPECT_EQ(suffix.family(), QStringLiteral("IPAPGothic"));
  EXPECT_TRUE(suffix.bold());
  EXPECT_EQ(suffix.pointSize(), 9);
  const QFontInfo text(f.TextEdit->font());
  EXPECT_EQ(text.family(), QStringLiteral("IPAGothic"));
  EXPECT_FALSE(text.bold());
}

TEST_F(Form1Layout, TextAreaFollowsTheWindowSize) {
  shell::Form1& f = start();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  const QRect before = f.TextEdit->geometry();
  EXPECT_EQ(before.left(), px(50));
  EXPECT_EQ(before.top(), px(2150));

  const QSize size = f.size();
  f.resize(size.width() + px(1500), size.height() + px(750));
  QCoreApplication::processEvents();
  const QRect wider = f.TextEdit->geometry();
  EXPECT_NEAR(wider.width() - before.width(), px(1500), 1);
  EXPECT_NEAR(wider.height() - before.height(), px(750), 1);
  EXPECT_EQ(wider.topLeft(), before.topLeft());
  EXPECT_EQ(f.Combo3->geometry(), QRect(px(6360), px(720), px(1815), px(300)));

  // Too low a window for the text area: its height stays as last accepted, its width follows.
  f.resize(size.width(), px(2000));
  QCoreApplication::processEvents();
  const QRect low = f.TextEdit->geometry();
  EXPECT_EQ(low.height(), wider.height());
  EXPECT_NEAR(low.width(), before.width(), 1);
}

TEST_F(Form1Layout, RendersToAPicture) {
  shell::Form1& f = start();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  const QString path = QDir(QStringLiteral(ORV_TEST_OUTPUT_DIR)).filePath(QStringLiteral("form1.png"));
  ASSERT_TRUE(f.grab().save(path));
}

}  // namespace
}  // namespace orv::test
