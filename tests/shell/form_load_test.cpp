#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "document/document_commands.h"
#include "platform/cp932.h"
#include "platform/profile_ini_reader.h"
#include "platform/text_edit.h"
#include "shell/startup_config.h"
#include "support/form_fixture.h"

namespace orv::test {
namespace {

using namespace Qt::StringLiterals;

class StartUp : public FormFixture {};

TEST_F(StartUp, ReadsTheIniFileBesideTheProgramOrTheUsersOneAndOpensTheCommandLinesDocument) {
  platform::ProfileIniReader profile;
  iniReader = &profile;
  auto write = [](const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
  };
  const QString song = appFolder.filePath(u"my song.orv"_s);
  ASSERT_TRUE(write(song, "d4 r4") && QDir(appFolder.path()).mkpath(u"config"_s));
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
  const struct {
    QByteArray beside, own;  // no file when empty
    QString player;          // the advice box when empty
    QString lastFolder, document;
  } rows[] = {
      {{}, {}, {}, {}, {}},
      {japanese, {}, u"/音楽/プレーヤー"_s, u"/楽譜/ソ"_s, song},
      {o + "ERR\r\nLastpath=/x\r\n", {}, {}, u"/x"_s, {}},
      {p + "ERR\r\n", {}, u"/p"_s, {}, {}},
      {p + unlookable, {}, u"/p"_s, {}, {}},
      {{}, o + "/own", u"/own"_s, {}, {}},
      {p, o + "/own", u"/p"_s, {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.player.toStdString());
    for (const auto& [path, bytes] : {std::pair{beside, row.beside}, {own, row.own}}) {
      QFile::remove(path);
      if (!bytes.isEmpty()) {
        ASSERT_TRUE(write(path, bytes));
      }
    }
    if (row.player.isEmpty()) messages.expect();
    shell::Form1& f = start({u'"' + row.document + u'"'});
    const auto boxes = messages.take();
    EXPECT_EQ(boxes.empty() ? QString() : boxes[0].text,
              row.player.isEmpty() ? u"OrvoFilerと同じディレクトリで実行することをお奨めします。"_s
                                   : QString());
    EXPECT_EQ(f.config().PlayerPath, row.player);
    EXPECT_EQ(f.Cmd_Orvo->isEnabled(), !row.player.isEmpty());
    EXPECT_EQ(f.document().LastFolder, row.lastFolder);
    EXPECT_EQ(f.document().FilePath, row.document);
    EXPECT_EQ(f.Label1->text(), row.document);
    EXPECT_EQ(f.windowTitle(), u"Orvo Editor Ver0.21β "_s + row.document);
    EXPECT_EQ(f.TextEdit->toPlainText(), row.document.isEmpty() ? QString() : u"d4 r4"_s);
    // Only read: no file appears where there was none.
    EXPECT_EQ(QFile::exists(beside), !row.beside.isEmpty());
    EXPECT_EQ(QFile::exists(own), !row.own.isEmpty());
  }
  EXPECT_EQ(dialog.Filter, u"Orvoファイル (*.orv)|*.orv"_s);
  EXPECT_EQ(dialog.Flags, 6);  // no read-only option; Save As asks before replacing
}

}  // namespace
}  // namespace orv::test
