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

TEST_F(StartUp, ReadsTheIniFileBesideTheProgramAndOpensTheDocumentOfTheCommandLine) {
  platform::ProfileIniReader profile;
  iniReader = &profile;
  auto write = [](const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
  };
  const QString song = appFolder.filePath(u"my song.orv"_s);
  ASSERT_TRUE(write(song, "d4 r4"));
  auto sjis = [](const QString& text) { return platform::cp932::encode(text).bytes; };
  const struct {
    QByteArray ini;  // no file when empty
    QString player;  // the advice box when empty
    QString lastFolder, document;
  } rows[] = {
      {{}, {}, {}, {}},
      {"[OrvFiler]\r\nOrvo=" + sjis(u"/音楽/プレーヤー"_s) + "\r\nLastpath=" + sjis(u"/楽譜/ソ"_s),
       u"/音楽/プレーヤー"_s, u"/楽譜/ソ"_s, song},
      {"[OrvFiler]\r\nOrvo=ERR\r\nLastpath=/x\r\n", {}, u"/x"_s, {}},
      {"[OrvFiler]\r\nOrvo=/p\r\nLastpath=ERR\r\n", u"/p"_s, {}, {}},
      // 127 kana fit in 255 bytes, but as a file name they are too long to look up.
      {"[OrvFiler]\r\nOrvo=/p\r\nLastpath=/" + sjis(QString(127, u'あ')), u"/p"_s, {}, {}},
  };
  for (const auto& row : rows) {
    QFile::remove(appFolder.filePath(u"orvfiler.ini"_s));
    if (!row.ini.isEmpty()) ASSERT_TRUE(write(appFolder.filePath(u"orvfiler.ini"_s), row.ini));
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
  }
  for (QLabel* l : form->Lbl_Kbd) EXPECT_TRUE(l->isHidden());
  for (QLabel* l : form->Lbl_Oct) EXPECT_FALSE(l->isHidden());
  EXPECT_EQ(dialog.Filter, u"Orvoファイル (*.orv)|*.orv"_s);
  EXPECT_EQ(dialog.Flags, 4);
}

TEST_F(StartUp, LooksForTheIniFileBesideTheProgramThenInTheUsersFolder) {
  platform::ProfileIniReader profile;
  iniReader = &profile;
  const QString beside = appFolder.filePath(u"orvfiler.ini"_s);
  const QString own = appFolder.filePath(u"config/orvfiler.ini"_s);
  ASSERT_TRUE(QDir(appFolder.path()).mkpath(u"config"_s));
  auto write = [](const QString& path, const char* player) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("[OrvFiler]\r\nOrvo=") != -1 &&
           f.write(player) != -1;
  };
  const struct {
    const char *beside, *own;  // nullptr: no file
    QString player;            // the advice box when empty
  } rows[] = {
      {"/beside", nullptr, u"/beside"_s},
      {nullptr, "/own", u"/own"_s},
      {"/beside", "/own", u"/beside"_s},
      {nullptr, nullptr, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.player.toStdString());
    for (const QString& path : {beside, own}) QFile::remove(path);
    if (row.beside) ASSERT_TRUE(write(beside, row.beside));
    if (row.own) ASSERT_TRUE(write(own, row.own));
    if (row.player.isEmpty()) messages.expect();
    shell::Form1& f = start();
    EXPECT_EQ(messages.take().size(), row.player.isEmpty() ? 1u : 0u);
    EXPECT_EQ(f.config().PlayerPath, row.player);
    // Only read: no file appears where there was none.
    EXPECT_EQ(QFile::exists(beside), row.beside != nullptr);
    EXPECT_EQ(QFile::exists(own), row.own != nullptr);
  }
}

}  // namespace
}  // namespace orv::test
