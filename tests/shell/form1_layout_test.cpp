#include <QButtonGroup>
#include <QDir>
#include <QMenuBar>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QTextLayout>
#include <QToolButton>

#include "shell/deferred_icon_style.h"
#include "support/form_fixture.h"
#include "support/stems.h"

namespace orv::test {
namespace {

using namespace Qt::StringLiterals;
using shell::px;

// The inventory as the window opens: name, left, top, width and height in twips, caption (key
// captions of the first naming system; nullptr: not checked) and whether it shows.
const std::tuple<const char*, int, int, int, int, const char*, bool> kInventory[] = {
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

// The menu bar's overflow arrow is made when it is first drawn, not with the menu bar, and then
// exactly as the wrapped style makes it, on a screen of 100 % and of 200 %.
TEST(DeferredIconStyle, MakesTheOverflowArrowWhenDrawnAsTheWrappedStyleDoes) {
  struct Counting final : QProxyStyle {
    using QProxyStyle::QProxyStyle;
    mutable int arrows = 0;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* o,
                       const QWidget* w) const override {
      arrows += icon == SP_ToolBarHorizontalExtensionButton;
      return QProxyStyle::standardIcon(icon, o, w);
    }
  };
  const QString style = QApplication::style()->name();
  auto* counting = new Counting(QStyleFactory::create(style));
  QApplication::setStyle(new shell::DeferredIconStyle(counting));
  const auto restore = qScopeGuard([&] { QApplication::setStyle(style); });
  QMenuBar bar;
  bar.show();
  const QIcon arrow = bar.findChild<QToolButton*>()->icon();
  EXPECT_EQ(counting->arrows, 0);
  const QIcon wrapped =
      counting->baseStyle()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
  for (const qreal scale : {1.0, 2.0})
    EXPECT_EQ(arrow.pixmap(QSize(16, 16), scale).toImage(),
              wrapped.pixmap(QSize(16, 16), scale).toImage());
}

// On Windows the offscreen platform of the test programs takes its fonts from Qt's own font folder
// only, which holds none: what the chosen fonts draw is checked on Linux, where they are installed.
const bool kWithoutFonts = QSysInfo::kernelType() == u"winnt"_s;

// The keyboard looks like a piano, whose PC-key labels cover the octave labels in Key mode.
TEST_F(Form1Layout, OpensWithEveryControlMenuAndFontInPlaceAndAKeyboardLikeAPiano) {
  // The system's own style where there is one (Windows' draws buttons in the theme's colours),
  // wrapped as the program wraps it.
  const QString style = QApplication::style()->name();
  QApplication::setStyle(new shell::DeferredIconStyle(QStyleFactory::create(
      QStyleFactory::keys().contains(u"windowsvista"_s) ? u"windowsvista"_s : style)));
  const auto restore = qScopeGuard([&] { QApplication::setStyle(style); });
  // Armenian: in DejaVu Sans, in none of the Japanese gothics.
  const QString outside = u"Հայերեն"_s;
  midi.ports = {outside};
  shell::Form1& f = start();
  showActive();
  EXPECT_EQ(QApplication::focusWidget(), f.Combo2);
  for (const auto& [name, left, top, width, height, caption, visible] : kInventory) {
    SCOPED_TRACE(name);
    auto* w = f.findChild<QWidget*>(QString::fromUtf8(name));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), QRect(px(left), px(top), px(width), px(height)));
    EXPECT_EQ(w->isVisible(), visible);
    EXPECT_EQ(caption ? w->property("text").toString() : QString(), QString::fromUtf8(caption));
  }
  QStringList menu;
  for (QAction* a : f.menuBar()->actions() + f.mnuFile->actions())
    menu << a->text() + (a->isEnabled() ? u""_s : u" -"_s) +
                (a->shortcut().isEmpty() ? u""_s : u" shortcut"_s);
  EXPECT_EQ(menu, QStringList({u"ファイル(&F)"_s, u"編集(&E) -"_s, u"検索(&S) -"_s,
                               u"ヘルプ(&H) -"_s, u"新規作成(&N) -"_s, u"開く(&O)"_s,
                               u"上書き保存(&S)"_s, u"名前を付けて保存(&A)"_s, u"終了(&X)"_s}));
  if (!kWithoutFonts) {
    const QFontInfo s(f.Opt_Sln[0]->font()), t(f.TextEdit->font());
    EXPECT_EQ(std::tuple(s.family(), s.bold(), s.pointSize(), t.family(), t.bold(), t.pointSize()),
              std::tuple(u"VL PGothic"_s, true, 9, u"Konatu Tohaba"_s, false, 9));
    // The captions are the program's own; a file's path and a device's name come from outside,
    // and what the window's gothic lacks of them is drawn from another font, not as blanks.
    for (QWidget* w : std::initializer_list<QWidget*>{f.Label1, f.Combo2}) {
      QTextLayout layout(outside, w->font());
      layout.beginLayout();
      layout.createLine();
      layout.endLayout();
      for (const QGlyphRun& run : layout.glyphRuns())
        EXPECT_FALSE(run.glyphIndexes().contains(0u)) << w->objectName().toStdString();
    }
  }
  // A picture made for each size a title bar or task bar takes at 100 to 200 %.
  QList<QSize> sizes;
  for (const int size : {16, 20, 24, 32, 40, 48, 64, 128, 256}) sizes << QSize(size, size);
  EXPECT_EQ(f.windowIcon().availableSizes(), sizes);
  // Every option button, check boxes apart, is one exclusive group.
  EXPECT_EQ(f.optionGroup->buttons().size(), 26 + 8 + 7 + 2);
  const QList<QPushButton*> clicked{f.Opt_Scl[4], f.Opt_Lng[3], f.Opt_Oct[1], f.Opt_Sln[2]};
  for (QPushButton* b : clicked) QTest::mouseClick(b, Qt::LeftButton);
  for (QPushButton* b : clicked) EXPECT_EQ(b->isChecked(), b == clicked.last());

  QWidget* inner = f.centralWidget();
  const QList<QObject*>& order = inner->children();
  for (int k = 0; k < 25; ++k) {
    SCOPED_TRACE(k);
    const bool black = std::set<int>{1, 3, 6, 8, 10}.count(k % 12) != 0;
    // As drawn, above the caption: whatever the system's style, a black key is dark.
    const QImage key = f.Opt_Scl[k]->grab().toImage();
    const int lightness = key.pixelColor(key.width() / 2, 3).lightness();
    EXPECT_TRUE(black ? lightness < 64 : lightness > 224) << lightness;
    // A black key lies in front of both white keys it overlaps.
    EXPECT_TRUE(!black || order.indexOf(f.Opt_Scl[k]) > order.indexOf(f.Opt_Scl[k + 1]));
  }
  const QImage rest = f.Opt_Scl[25]->grab().toImage();
  const int grey = rest.pixelColor(3, rest.height() / 2).lightness();
  EXPECT_TRUE(grey > 200 && grey < 245) << grey;  // light grey, neither white nor dark
  const std::pair<QLabel*, QLabel*> kPairs[] = {{f.Lbl_Kbd[3], f.Lbl_Oct[0]},
                                                {f.Lbl_Kbd[10], f.Lbl_Oct[1]}};
  QTest::mouseClick(f.Chk_Key, Qt::LeftButton);
  for (const auto& [pcKey, octave] : kPairs) {
    // Not a pixel of the octave label shows through the PC-key label.
    const QImage covered = inner->grab(pcKey->geometry()).toImage();
    octave->hide();
    EXPECT_EQ(inner->grab(pcKey->geometry()).toImage(), covered) << pcKey->text().toStdString();
    octave->show();
  }
  QTest::mouseClick(f.Chk_Key, Qt::LeftButton);
  for (const auto& [pcKey, octave] : kPairs)
    EXPECT_EQ(inner->childAt(pcKey->geometry().center()), octave);
}

// Run at the scales of common screens too (QT_SCALE_FACTOR 1.25, 1.5, 2). At 9 points a half-width
// letter is 6 px wide at 100 %: the letters must still show their strokes, evenly where the scale
// allows whole pixels, and take exactly half a full-width character, so that the columns of a
// score line up. No caption of a list or key is cut.
TEST_F(Form1Layout, ScoreShowsEvenStemsInColumnsAndEveryCaptionWholeAtThisScale) {
  if (kWithoutFonts) GTEST_SKIP() << "no fonts for the offscreen platform on Windows";
  shell::Form1& f = start();
  showActive();
  const qreal scale = f.devicePixelRatioF();
  f.TextEdit->setText(u"mmm"_s);
  const auto found = test::stems(f.TextEdit->viewport()->grab().toImage());
  EXPECT_EQ(found.size(), 9u) << "stems at " << scale;
  if (scale == 1 || scale == 1.5 || scale == 2) {
    EXPECT_TRUE(test::nineEvenStems(found)) << scale;
  }
  const QFont font = f.TextEdit->font();
  EXPECT_EQ(font.styleStrategy() == QFont::NoAntialias, scale == 1) << "pixel letters at " << scale;
  const QFontMetricsF metrics(font);
  const QString half = u"drmfslcabegh+-0123468.i^~'/_<>[]"_s, full = u"┃和あ＃♭"_s;
  EXPECT_EQ(metrics.horizontalAdvance(half + full),
            (half.size() + 2 * full.size()) * metrics.horizontalAdvance(u'm'));
  // The style draws the closed list's text one pixel in from each side of its field.
  for (QComboBox* list : {f.Combo1, f.Combo2, f.Combo3}) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, list);
    for (int i = 0; i < list->count(); ++i) {
      EXPECT_LE(list->fontMetrics().horizontalAdvance(list->itemText(i)), field.width() - 2)
          << list->objectName().toStdString() << " " << i << " at " << scale;
    }
  }
  // The keys stand on whole device pixels, so the gaps between them stay alike.
  for (QPushButton* key : f.Opt_Scl) {
    const QRectF onScreen(QPointF(key->pos()) * scale, QSizeF(key->size()) * scale);
    EXPECT_EQ(onScreen, QRectF(onScreen.toRect())) << key->objectName().toStdString();
  }
  for (int system = 0; system < f.Combo3->count(); ++system) {
    f.Combo3->setCurrentIndex(system);
    f.entry().Combo3_Click();
    for (QPushButton* key : f.Opt_Scl) {
      EXPECT_LE(key->fontMetrics().horizontalAdvance(key->text()), key->width() - 2)
          << key->objectName().toStdString() << " at " << scale;
    }
  }
}

TEST_F(Form1Layout, TextAreaFollowsTheWindowWhichNeverHidesTheTopRows) {
  shell::Form1& f = start();
  showActive();
  const QRect before = f.TextEdit->geometry();
  // The rule measures the whole window, frame and menu bar included.
  const QRect outer = f.frameGeometry();
  EXPECT_EQ(before, QRect(px(50), px(2150), px(shell::twips(outer.width()) - 200),
                          px(shell::twips(outer.height()) - 2850)));
  const QSize size = f.size();
  f.resize(size.width() + px(1500), size.height() + px(750));
  QCoreApplication::processEvents();
  const QRect bigger = f.TextEdit->geometry();
  EXPECT_NEAR(bigger.width() - before.width(), px(1500), 1);
  EXPECT_NEAR(bigger.height() - before.height(), px(750), 1);
  EXPECT_EQ(bigger.topLeft(), before.topLeft());
  EXPECT_EQ(f.Combo3->geometry(), QRect(px(6360), px(720), px(1815), px(300)));
  // Asked for less, the window keeps every control above the text area, which still follows it.
  f.resize(px(1000), px(1000));
  QCoreApplication::processEvents();
  for (const auto& [name, left, top, width, height, caption, visible] : kInventory) {
    if (!visible || top >= 2150) continue;
    const auto* w = f.findChild<QWidget*>(QString::fromUtf8(name));
    EXPECT_TRUE(f.centralWidget()->rect().contains(w->geometry())) << name;
  }
  EXPECT_NEAR(before.width() - f.TextEdit->width(), size.width() - f.width(), 1);
  EXPECT_NEAR(before.height() - f.TextEdit->height(), size.height() - f.height(), 1);
}

// The README's pictures, drawn by the window itself so that they always show what it shows: into
// the build tree, or where ORV_README_PICTURES_DIR says (the target readme-pictures names docs/).
TEST_F(Form1Layout, DrawsTheReadmePictures) {
  const QDir folder(
      qEnvironmentVariable("ORV_README_PICTURES_DIR", QStringLiteral(ORV_PICTURES_DIR)));
  ASSERT_TRUE(folder.mkpath(u"."_s));
  const auto click = [](auto*... b) { (QTest::mouseClick(b, Qt::LeftButton), ...); };
  for (const QString& file : {u"screenshot.png"_s, u"key-mode.png"_s, u"chord-mode.png"_s}) {
    shell::Form1& f = start();
    showActive();
    if (file.startsWith(u's')) {
      f.TextEdit->setText(u"d4 r4 m4 f4 ┃s2 m4 d4┃\r\n"_s);
      f.TextEdit->moveCursor(QTextCursor::End);
      click(f.Opt_Scl[7], f.Opt_Lng[3], f.Opt_Sln[0]);
    } else if (file.startsWith(u'k')) {
      click(f.Chk_Key);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_G);
    } else {
      click(f.Chk_Ham, f.Opt_Scl[0], f.Opt_Scl[4], f.Opt_Scl[7], f.Cmd_Ent);
    }
    EXPECT_TRUE(f.grab().save(folder.filePath(file)));
  }
}

}  // namespace
}  // namespace orv::test
