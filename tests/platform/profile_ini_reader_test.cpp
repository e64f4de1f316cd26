#include "platform/profile_ini_reader.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/non_regular_files.h"

namespace orv::platform {
namespace {

using namespace Qt::StringLiterals;

// Code page 932: 音楽 (two double-byte characters), ソ whose second byte is a backslash, ゾ whose
// second byte is a closing bracket, ｱ a single byte.
const QByteArray kOngaku("\x89\xb9\x8a\x79"), kSo("\x83\x5c"), kZo("\x83\x5d"), kA("\xb1");

QString look(QByteArrayView file, const QString& section = u"OrvFiler"_s) {
  return ProfileIniReader::lookUp(file, section, u"Orvo"_s, u"ERR"_s);
}

TEST(ProfileIniReader, FollowsTheProfileRules) {
  QByteArray junk;
  for (int i = 0; i < 4096; ++i) junk.append(static_cast<char>((i * 131 + 7) % 256));
  const std::pair<QByteArray, QString> rows[] = {
      {"  [ oRVfILER\t] note \n \t ORVO \t=  a=b  \t\n", u"a=b"_s},
      {"[OrvFiler]\nOrvo=  \" a \"b\" \"  \n", u" a \"b\" "_s},
      {"[OrvFiler]\nOrvo='x y'\n", u"x y"_s},
      {"[OrvFiler]\nOrvo=\"x y'\n", u"\"x y'"_s},
      {"[OrvFiler]\nOrvo=\"\n", u"\""_s},
      {"Orvo=a\n[Other]\nOrvo=b\n[OrvFiler]\n ; Orvo=c\nOrvo\nOrvo2=d\nOrvo=e\nOrvo=f\n", u"e"_s},
      // Only the first section of the name counts.
      {"[OrvFiler]\nX=1\n[Other]\nOrvo=a\n[OrvFiler]\nOrvo=b\n", u"ERR"_s},
      {QByteArray("[OrvFiler]\rOrvo=ab\0cd", 22), u"ab"_s},
      {"[OrvFiler]\nOrvo=/" + kOngaku + "/" + kSo + "\n", u"/音楽/ソ"_s},
      {"[OrvFiler]\nOrvo=\"" + QByteArray(300, 'a') + "\"\n", QString(255, u'a')},
      {"[OrvFiler]\nOrvo=" + QByteArray(254, 'b') + kOngaku, QString(254, u'b')},
      {"[OrvFiler]\nOrvo=" + QByteArray(253, 'c') + kOngaku, QString(253, u'c') + u"音"_s},
      {"[OrvFiler]\nOrvo=" + kA.repeated(300), QString(255, u'ｱ')},
      {"[OrvFiler]\nOrvo=\x81", u"\uFFFD"_s},
      {junk, u"ERR"_s},
  };
  for (const auto& [file, value] : rows) EXPECT_EQ(look(file), value) << file.left(60).data();
  // A file saved as UTF-16 with its mark reads the same; a character code page 932 lacks is "?".
  for (const auto utf16 : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
    QStringEncoder withMark(utf16, QStringConverter::Flag::WriteBom);
    const QByteArray file = withMark.encode(u"[OrvFiler]\r\nOrvo=/音楽/ソ\U0001F3B5.exe\r\n"_s);
    EXPECT_EQ(look(file), u"/音楽/ソ?.exe"_s) << file.left(2).toHex().data();
  }
  // A closing bracket as the second byte of a character does not end the section name.
  EXPECT_EQ(look("[A" + kZo + "B]\nOrvo=z\n", u"Aゾb"_s), u"z"_s);
}

TEST(ProfileIniReader, ReadsAnythingButARegularFileAsEmptyWithoutBlocking) {
  QTemporaryDir dir;
  QStringList paths{dir.path(), dir.filePath(u"none"_s)};
  for (const auto& [special, reason] : test::nonRegularFiles(dir.path())) paths << special;
  ASSERT_GE(paths.size(), 4);
  ProfileIniReader reader;
  for (const QString& path : paths)
    EXPECT_EQ(reader.readString(path, u"OrvFiler"_s, u"Orvo"_s, u"ERR"_s), u"ERR"_s);
}

}  // namespace
}  // namespace orv::platform
