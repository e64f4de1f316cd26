#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>

#include "document/document_commands.h"
#include "platform/cp932.h"
#include "platform/profile_ini_reader.h"
#include "platform/text_edit.h"
#include "shell/startup_config.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

const QString kAdvice = QStringLiteral("OrvoFilerと同じディレクトリで実行することをお奨めします。");
const QString kTitle = QStringLiteral("Orvo Editor Ver0.21β");

QByteArray sjis(const QString& text) {
  return platform::cp932::encode(text).bytes;
}

// Start-up over the real INI reader, in a temporary program folder.
class StartUp : public FormFixture {
 protected:
  void SetUp() override { iniReader = &profile; }

  QString inApp(const QString& name) const { return QDir(appFolder.path()).filePath(name); }
  QString iniPath() const { return inApp(QStringLiteral("orvfiler.ini")); }
  void writeIni(const QByteArray& bytes) {
    QFile::remove(iniPath());
    QFile f(iniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QString writeDocument(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("d4 r4\r\n");
    return path;
  }
  shell::Form1& restart(const QStringList& arguments = {}) {
    form.reset();
    return start(arguments);
  }

  platform::ProfileIniReader profile;
};

TEST_F(StartUp, TakesThePlayerAndTheLastFolderFromTheIniFile) {
  const QString folder = appFolder.path();
  ASSERT_TRUE(QFile::link(inApp(QStringLiteral("loop")), inApp(QStringLiteral("loop"))));
  QByteArray junk;
  for (int i = 0; i < 4096; ++i) junk.append(static_cast<char>((i * 131 + 7) % 256));

  const struct {
    const char* what;
    std::optional<QByteArray> ini;  // no file when empty
    std::optional<QString> player;  // the advice box when empty
    QString lastFolder;
  } rows[] = {
      {"no INI file", std::nullopt, std::nullopt, QString()},
      {"player only", "[OrvFiler]\r\nOrvo=/opt/orvo/orvo\r\n", QStringLiteral("/opt/orvo/orvo"),
       QString()},
      {"both keys", "[OrvFiler]\r\nOrvo=/p\r\nLastpath=" + sjis(folder) + "\r\n",
       QStringLiteral("/p"), folder},
      {"missing folder stays", "[OrvFiler]\r\nOrvo=/p\r\nLastpath=/no/such/folder\r\n",
       QStringLiteral("/p"), QStringLiteral("/no/such/folder")},
      {"300-byte player", "[OrvFiler]\r\nOrvo=/" + QByteArray(299, 'p') + "\r\n",
       QStringLiteral("/") + QString(254, u'p'), QString()},
      {"player stored as ERR", "[OrvFiler]\r\nOrvo=ERR\r\nLastpath=/x\r\n", std::nullopt,
       QStringLiteral("/x")},
      {"last folder stored as ERR", "[OrvFiler]\r\nOrvo=/p\r\nLastpath=ERR\r\n",
       QStringLiteral("/p"), QString()},
      {"quoted and padded",
       "[ orvfiler ]\r\n  ORVO =  \"/my apps/orvo\"  \r\nlastpath = '/a b' \r\n",
       QStringLiteral("/my apps/orvo"), QStringLiteral("/a b")},
      {"Japanese paths",
       "[OrvFiler]\r\nOrvo=" + sjis(QStringLiteral("/音楽/プレーヤー")) +
           "\r\nLastpath=" + sjis(QStringLiteral("/楽譜/ソ")) + "\r\n",
       QStringLiteral("/音楽/プレーヤー"), QStringLiteral("/楽譜/ソ")},
      // 127 kana fit the 255 bytes, but as a file name here they are too long to look up.
      {"last folder the system refuses",
       "[OrvFiler]\r\nOrvo=/p\r\nLastpath=/" + sjis(QString(127, u'あ')) + "\r\n",
       QStringLiteral("/p"), QString()},
      {"last folder in a loop of links",
       "[OrvFiler]\r\nOrvo=/p\r\nLastpath=" + sjis(inApp(QStringLiteral("loop/x"))) + "\r\n",
       QStringLiteral("/p"), QString()},
      {"binary junk", junk, std::nullopt, QString()},
      {"a 1 MB line first", QByteArray(1 << 20, 'j') + "\r\n[OrvFiler]\r\nOrvo=/p\r\n",
       QStringLiteral("/p"), QString()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QFile::remove(iniPath());
    if (row.ini) writeIni(*row.ini);
    if (!row.player) messages.expect();
    shell::Form1& f = restart();
    const auto shown = messages.take();
    if (row.player) {
      EXPECT_TRUE(shown.empty());
      EXPECT_EQ(f.config().PlayerPath, *row.player);
      EXPECT_TRUE(f.Cmd_Orvo->isEnabled());
    } else {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].text, kAdvice);
      EXPECT_EQ(shown[0].code, platform::MessageBox::kOkOnly);
      EXPECT_EQ(shown[0].title, QStringLiteral("OrvEditor"));
      EXPECT_TRUE(f.config().PlayerPath.isEmpty());
      EXPECT_FALSE(f.Cmd_Orvo->isEnabled());
    }
    EXPECT_EQ(f.document().LastFolder, row.lastFolder);
    EXPECT_EQ(f.windowTitle(), kTitle + u' ');
  }
}

TEST_F(StartUp, IniThatCannotBeReadDoesNotStopStartUp) {
  // In place of the file: a folder, then a FIFO that no one writes to.
  ASSERT_TRUE(QDir(appFolder.path()).mkdir(QStringLiteral("orvfiler.ini")));
  messages.expect();
  restart();
  EXPECT_EQ(messages.take().size(), 1u);
  ASSERT_TRUE(QDir(appFolder.path()).rmdir(QStringLiteral("orvfiler.ini")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(iniPath()).constData(), 0600), 0);
  messages.expect();
  shell::Form1& f = restart();
  EXPECT_EQ(messages.take().size(), 1u);
  EXPECT_FALSE(f.Cmd_Orvo->isEnabled());
  EXPECT_EQ(f.config().IniPath, iniPath());
  EXPECT_EQ(f.config().AppFolder, appFolder.path());
}

TEST_F(StartUp, CommandLineNamesTheDocument) {
  writeIni("[OrvFiler]\nOrvo=/p\n");
  const QString dir = appFolder.path();
  const QString spaced = writeDocument(dir + QStringLiteral("/my song.orv"));
  const QString two = writeDocument(dir + QStringLiteral("/a.orv b.orv"));
  const struct {
    QStringList arguments;
    QString path;
  } rows[] = {
      {{}, QString()},
      {{QStringLiteral("\"")}, QString()},
      {{u'"' + spaced + u'"'}, spaced},
      {{dir + QStringLiteral("/a.orv"), QStringLiteral("b.orv")}, two},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments.join(u'|').toStdString());
    shell::Form1& f = restart(row.arguments);
    EXPECT_EQ(f.document().FilePath, row.path);
    EXPECT_EQ(f.Label1->text(), row.path);
    EXPECT_EQ(f.Label2->text(), QStringLiteral("更新なし"));
    EXPECT_EQ(f.document().Modified, 0);
    EXPECT_EQ(f.windowTitle(), kTitle + u' ' + row.path);
  }
}

TEST_F(StartUp, LeavesTheWindowReadyForInput) {
  writeIni("[OrvFiler]\nOrvo=/p\n");
  shell::Form1& f = restart();
  EXPECT_TRUE(f.TextEdit->toPlainText().isEmpty());
  EXPECT_TRUE(f.Cmd_Tone->text().isEmpty());
  for (QLabel* l : f.Lbl_Kbd) EXPECT_TRUE(l->isHidden()) << l->objectName().toStdString();
  for (QLabel* l : f.Lbl_Oct) EXPECT_FALSE(l->isHidden()) << l->objectName().toStdString();
  for (QPushButton* b : {f.Chk_Midi, f.Chk_Ham, f.Chk_Key}) {
    EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
  }
  EXPECT_EQ(f.optionGroup->checkedButton(), nullptr);
  EXPECT_TRUE(f.Cmd_Orvo->isEnabled());
  EXPECT_EQ(dialog.Filter, QStringLiteral("Orvoファイル (*.orv)|*.orv"));
  EXPECT_EQ(dialog.Flags, 4);
  EXPECT_EQ(f.document().TitleText, kTitle);
  EXPECT_FALSE(f.isVisible());
}

}  // namespace
}  // namespace orv::test
