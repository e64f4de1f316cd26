#include <QDir>
#include <QWindow>

#include "platform/cp932.h"
#include "platform/profile_ini_reader.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::StringLiterals;

class StartUp : public FormFixture {};

TEST_F(StartUp, ReadsTheIniFileBesideTheProgramOrTheUsersOneAndOpensTheCommandLinesDocument) {
  platform::ProfileIniReader profile;
  iniReader = &profile;
  // A file name is shown as it is, not as markup, in the caption of the window and as changed.
#ifdef Q_OS_WIN
  const QString song = appFolder.filePath(u"&amp;[x] %1.orv"_s);  // no "<", ">" or "*" there
#else
  const QString song = appFolder.filePath(u"<i>&amp;[*] %1.orv"_s);
#endif
  ASSERT_TRUE(put(song, "d4 r4") && QDir(appFolder.path()).mkpath(u"config"_s));
  const QString beside = appFolder.filePath(u"orvfiler.ini"_s);
  const QString own = appFolder.filePath(u"config/orvfiler.ini"_s);
  auto sjis = [](const QString& text) { return platform::cp932::encode(text).bytes; };
  const QByteArray o = "[OrvFiler]\r\nOrvo=", p = o + "/p\r\nLastpath=";
  const QByteArray japanese =
      o + sjis(u"/音楽/プレーヤー"_s) + "\r\nLastpath=" + sjis(u"/楽譜/ソ"_s);
#ifdef Q_OS_WIN
  const QByteArray unlookable = "/a|b";  // a sign no Windows file name may hold
#else
  // 127 kana fit in 255 bytes, but as a file name they are too long to look up.
  const QByteArray unlookable = '/' + sjis(QString(127, u'あ'));
#endif
  // The INI file beside the program and the user's own (none when empty), the player (the advice
  // box when empty), the last folder and the document.
  const std::tuple<QByteArray, QByteArray, QString, QString, QString> rows[] = {
      {{}, {}, {}, {}, {}},
      {japanese, {}, u"/音楽/プレーヤー"_s, u"/楽譜/ソ"_s, song},
      {o + "ERR\r\nLastpath=/x\r\n", {}, {}, u"/x"_s, {}},
      {p + "ERR\r\n", {}, u"/p"_s, {}, {}},
      {p + unlookable, {}, u"/p"_s, {}, {}},
      {p + "/dev/null/below", {}, u"/p"_s, u"/dev/null/below"_s, {}},  // not found, but kept
      {{}, o + "/own", u"/own"_s, {}, {}},
      {p, o + "/own", u"/p"_s, {}, {}},
  };
  const QString advice = u"OrvoFilerと同じディレクトリで実行することをお奨めします。"_s;
  for (const auto& [besideIni, ownIni, player, lastFolder, document] : rows) {
    SCOPED_TRACE(player.toStdString());
    for (const auto& [path, bytes] : {std::pair{beside, besideIni}, {own, ownIni}}) {
      QFile::remove(path);
      ASSERT_TRUE(bytes.isEmpty() || put(path, bytes));
    }
    if (player.isEmpty()) messages.expect();
    shell::Form1& f = start({u'"' + document + u'"'});
    EXPECT_EQ(messages.takeTexts(), player.isEmpty() ? QStringList{advice} : QStringList());
    EXPECT_EQ(f.config().PlayerPath, player);
    EXPECT_EQ(f.Cmd_Orvo->isEnabled(), !player.isEmpty());
    EXPECT_EQ(f.document().LastFolder, lastFolder);
    EXPECT_EQ(f.document().FilePath, document);
    EXPECT_EQ(f.Label1->text(), document);
    EXPECT_EQ(f.TextEdit->toPlainText(), document.isEmpty() ? QString() : u"d4 r4"_s);
    f.winId();  // the native window, whose title the desktop shows
    EXPECT_EQ(f.windowHandle()->title(), u"Orvo Editor Ver0.21β "_s + document);
    QTest::keyClicks(f.TextEdit, u"x"_s);
    EXPECT_EQ(f.windowHandle()->title(), u"Orvo Editor Ver0.21β "_s + document + u"(更新)"_s);
    // Only read: no file appears where there was none.
    EXPECT_EQ(QFile::exists(beside), !besideIni.isEmpty());
    EXPECT_EQ(QFile::exists(own), !ownIni.isEmpty());
  }
  EXPECT_EQ(dialog.Filter, u"Orvoファイル (*.orv)|*.orv"_s);
  EXPECT_EQ(dialog.Flags, 6);  // no read-only option; Save As asks before replacing
}

}  // namespace
}  // namespace orv::test
