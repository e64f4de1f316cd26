#include "platform/profile_ini_reader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folder_probe.h"

namespace orv::platform {
namespace {

const QString kSection = QStringLiteral("OrvFiler");
const QString kKey = QStringLiteral("Orvo");
const QString kMissing = QStringLiteral("ERR");

QString look(QByteArrayView file, const QString& section = kSection, const QString& key = kKey) {
  return ProfileIniReader::lookUp(file, section, key, kMissing);
}

struct Row {
  const char* what;
  QByteArray file;
  QString expected;
  QString section = kSection;
};

// Code page 932 bytes of the Japanese test texts: 音楽 (two double-byte characters), ソ whose
// second byte is a backslash, ゾ whose second byte is a closing bracket.
const QByteArray kOngaku("\x89\xb9\x8a\x79");
const QByteArray kSo("\x83\x5c");
const QByteArray kZo("\x83\x5d");

TEST(ProfileIniReader, FollowsTheProfileRules) {
  const Row rows[] = {
      {"plain value", "[OrvFiler]\r\nOrvo=/opt/player\r\n", QStringLiteral("/opt/player")},
      {"names in any case", "[oRVfILER]\nORVO=x\n", QStringLiteral("x")},
      {"blanks around names and value", "  [  OrvFiler\t]  \n \t Orvo \t=  a b  \t\n",
       QStringLiteral("a b")},
      {"double quotes removed once", "[OrvFiler]\nOrvo=  \" a \"b\" \"  \n",
       QStringLiteral(" a \"b\" ")},
      {"single quotes removed", "[OrvFiler]\nOrvo='x y'\n", QStringLiteral("x y")},
      {"unmatched quotes kept", "[OrvFiler]\nOrvo=\"x y'\n", QStringLiteral("\"x y'")},
      {"lone quote kept", "[OrvFiler]\nOrvo=\"\n", QStringLiteral("\"")},
      {"empty value", "[OrvFiler]\nOrvo=\n", QString()},
      {"value with equals signs", "[OrvFiler]\nOrvo=a=b\n", QStringLiteral("a=b")},
      {"comment line", "[OrvFiler]\n;Orvo=hidden\nOrvo=shown\n", QStringLiteral("shown")},
      {"indented comment", "[OrvFiler]\n   ; Orvo=hidden\n", kMissing},
      {"first key wins", "[OrvFiler]\nOrvo=first\nOrvo=second\n", QStringLiteral("first")},
      {"first section wins", "[OrvFiler]\nLastpath=/\n[OrvFiler]\nOrvo=later\n", kMissing},
      {"other section ignored", "[Other]\nOrvo=no\n[OrvFiler]\nOrvo=yes\n", QStringLiteral("yes")},
      {"key before any section", "Orvo=no\n[OrvFiler]\n", kMissing},
      {"key of a later section", "[OrvFiler]\nX=1\n[Other]\nOrvo=no\n", kMissing},
      {"no section", "Orvo=no\n", kMissing},
      {"line without equals sign", "[OrvFiler]\nOrvo\n", kMissing},
      {"longer key name", "[OrvFiler]\nOrvo2=no\n", kMissing},
      {"CR alone ends a line", "[OrvFiler]\rOrvo=cr\r", QStringLiteral("cr")},
      {"no line break at the end", "[OrvFiler]\nOrvo=end", QStringLiteral("end")},
      {"text after the bracket", "[OrvFiler] note\nOrvo=ok\n", QStringLiteral("ok")},
      {"value cut at NUL", QByteArray("[OrvFiler]\nOrvo=ab\0cd\n", 22), QStringLiteral("ab")},
      {"code page 932 value", "[OrvFiler]\nOrvo=/" + kOngaku + "/" + kSo + "\n",
       QStringLiteral("/音楽/ソ")},
      {"bracket as a second byte", "[A" + kZo + "B]\nOrvo=zo\n", QStringLiteral("zo"),
       QStringLiteral("Aゾb")},
      {"stored ERR", "[OrvFiler]\nOrvo=ERR\n", kMissing},
      {"empty file", "", kMissing},
  };
  for (const Row& row : rows) EXPECT_EQ(look(row.file, row.section), row.expected) << row.what;
}

TEST(ProfileIniReader, KeepsAtMost255BytesAndNeverHalfACharacter) {
  const QByteArray a300(300, 'a');
  EXPECT_EQ(look("[OrvFiler]\nOrvo=" + a300 + "\n"), QString(255, u'a'));
  // Quotes are removed before the value is cut.
  EXPECT_EQ(look("[OrvFiler]\nOrvo=\"" + a300 + "\"\n"), QString(255, u'a'));
  // 254 single bytes and a double-byte character: the character would need bytes 255 and 256.
  EXPECT_EQ(look("[OrvFiler]\nOrvo=" + QByteArray(254, 'b') + kOngaku + "\n"), QString(254, u'b'));
  // 253 single bytes: the first double-byte character fits exactly.
  EXPECT_EQ(look("[OrvFiler]\nOrvo=" + QByteArray(253, 'c') + kOngaku + "\n"),
            QString(253, u'c') + QStringLiteral("音"));
  // Half-width katakana are single bytes.
  EXPECT_EQ(look("[OrvFiler]\nOrvo=" + QByteArray(300, '\xb1') + "\n"), QString(255, u'ｱ'));
}

TEST(ProfileIniReader, SurvivesJunk) {
  QByteArray junk;
  for (int i = 0; i < 70000; ++i) junk.append(static_cast<char>((i * 7919 + i / 13) & 0xff));
  EXPECT_EQ(look(junk), kMissing);
  // A lead byte at the very end, and one right before the line break.
  EXPECT_EQ(look("[OrvFiler]\nOrvo=x\x81\nLastpath=\x81"), QStringLiteral("x\uFFFD"));
  const QByteArray longLine(1 << 20, 'x');
  EXPECT_EQ(look(longLine + "\n[OrvFiler]\nOrvo=after\n"), QStringLiteral("after"));
  EXPECT_EQ(look("[OrvFiler]\nOrvo=" + longLine + "\n"), QString(255, u'x'));
}

class IniFile : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  QString write(const char* name, const QByteArray& bytes) const {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  QString read(const QString& file) { return reader.readString(file, kSection, kKey, kMissing); }

  QTemporaryDir dir;
  ProfileIniReader reader;
};

TEST_F(IniFile, ReadsARealFileAndTreatsWhatCannotBeReadAsEmpty) {
  EXPECT_EQ(read(write("a.ini", "[OrvFiler]\r\nOrvo=/p\r\n")), QStringLiteral("/p"));
  EXPECT_EQ(read(path("missing.ini")), kMissing);
  EXPECT_EQ(read(QString()), kMissing);
  EXPECT_EQ(read(path("a.ini") + QChar(u'\0')), kMissing);
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
  EXPECT_EQ(read(path("folder.ini")), kMissing);
  // A FIFO would block a plain open until a writer came.
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.ini")).constData(), 0600), 0);
  EXPECT_EQ(read(path("fifo.ini")), kMissing);
  EXPECT_EQ(read(QStringLiteral("/dev/zero")), kMissing);
}

TEST_F(IniFile, UnreadableFileCountsAsMissing) {
  const QString file = write("locked.ini", "[OrvFiler]\nOrvo=/p\n");
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0), 0);
  if (::access(QFile::encodeName(file).constData(), R_OK) == 0) {
    GTEST_SKIP() << "running with rights that read any file";
  }
  EXPECT_EQ(read(file), kMissing);
}

TEST(FolderProbe, RefusesOnlyWhatCannotBeAPath) {
  QTemporaryDir dir;
  const QString root = dir.path();
  ASSERT_TRUE(QFile::link(root + QStringLiteral("/loop"), root + QStringLiteral("/loop")));
  QFile file(root + QStringLiteral("/file"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const struct {
    QString path;
    bool ok;
  } rows[] = {
      {root, true},
      {root + QStringLiteral("/missing/deeper"), true},
      {root + QStringLiteral("/音楽"), true},
      {root + QStringLiteral("/file/below"), true},
      {QString(), true},
      {root + QChar(u'\0') + QStringLiteral("x"), false},
      {root + u'/' + QString(256, u'n'), false},
      // 127 kana take 254 bytes in code page 932 but 381 as a file name here.
      {root + u'/' + QString(127, u'あ'), false},
      {root + QStringLiteral("/loop/below"), false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(canLookUpFolder(row.path), row.ok) << row.path.left(80).toStdString();
}

}  // namespace
}  // namespace orv::platform
