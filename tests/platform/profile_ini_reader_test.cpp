#include "platform/profile_ini_reader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

TEST(ProfileIniReader, SurvivesBrokenDoubleByteCharacters) {
  // A lead byte right before the line break, and one at the very end of the file.
  EXPECT_EQ(look("[OrvFiler]\nOrvo=x\x81\nLastpath=\x81"), QStringLiteral("x\uFFFD"));
  EXPECT_EQ(look("[OrvFiler]\nLastpath=\x81", kSection, QStringLiteral("Lastpath")),
            QStringLiteral("\uFFFD"));
}

TEST(FolderProbe, RefusesOnlyWhatCannotBeAPath) {
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("file")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  EXPECT_TRUE(canLookUpFolder(dir.path()));
  EXPECT_TRUE(canLookUpFolder(file.fileName() + QStringLiteral("/below")));
  EXPECT_FALSE(canLookUpFolder(dir.path() + QChar(u'\0') + QStringLiteral("x")));
  EXPECT_FALSE(canLookUpFolder(dir.path() + u'/' + QString(256, u'n')));
}

}  // namespace
}  // namespace orv::platform
