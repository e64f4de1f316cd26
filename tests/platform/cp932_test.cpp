#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orv::platform::cp932 {
namespace {

using namespace Qt::StringLiterals;

TEST(Cp932, ConvertsByTheMicrosoftTableAndMarksWhatItCannot) {
  // The text each byte sequence decodes to and the first invalid byte (-1: none); valid rows
  // also encode back to their bytes.
  const std::tuple<QByteArray, QString, qsizetype> rows[] = {
      {"\x81\x60", u"\uFF5E"_s, -1},
      {"\x87\x40", u"①"_s, -1},
      {"\x84\xAB", u"┃"_s, -1},
      {"\x81\x20", u"\uFFFD "_s, 0},
      // Single bytes the code page leaves unassigned.
      {"\x98\x61\x80\xA0\xFF", u"和\uFFFD\uFFFD\uFFFD"_s, 2},
      {"\x81\r\n", u"\uFFFD\r\n"_s, 0},
  };
  for (const auto& [bytes, text, firstInvalid] : rows) {
    SCOPED_TRACE(bytes.toHex(' ').toStdString());
    const Decoded decoded = decode(bytes);
    EXPECT_EQ(std::tuple(decoded.text, decoded.firstInvalidByte.value_or(-1)),
              std::tuple(text, firstInvalid));
    if (firstInvalid < 0) {
      EXPECT_EQ(encode(text).bytes.toHex(' '), bytes.toHex(' '));
    }
  }
  // Every byte below 0x80 is its own character, the backslash of a Windows path included.
  QByteArray ascii;
  for (int byte = 0; byte < 0x80; ++byte) ascii += char(byte);
  EXPECT_EQ(decode(ascii).text, QString::fromLatin1(ascii));
  // Signs the table holds only in another form are written as that form, on every system: the
  // JIS forms an input method may type, and the yen sign and overline of a JIS keyboard.
  const std::pair<QString, QByteArray> kOneWay[] = {
      {u"\u301C"_s, "\x81\x60"}, {u"\u2016"_s, "\x81\x61"}, {u"\u2212"_s, "\x81\x7C"},
      {u"\u00A2"_s, "\x81\x91"}, {u"\u00A3"_s, "\x81\x92"}, {u"\u00AC"_s, "\x81\xCA"},
      {u"\u2014"_s, "\x81\x5C"}, {u"\u00A5"_s, "\x5C"},     {u"\u203E"_s, "\x7E"}};
  for (const auto& [sign, bytes] : kOneWay)
    EXPECT_EQ(encode(u'a' + sign).bytes.toHex(' '), ('a' + bytes).toHex(' ')) << sign.toStdString();
  // A character the table lacks leaves no bytes, only its index; a look-alike is never put in its
  // place ("c" for "©", "e" for "é").
  for (const QString& lacking : {u"\U0001F3B5"_s, u"\u0080"_s, u"\uF8F0"_s, u"©"_s, u"é"_s}) {
    const Encoded encoded = encode(u"和音"_s + lacking + u'x');
    EXPECT_EQ(std::tuple(encoded.firstUnencodable, encoded.bytes), std::tuple(2, QByteArray()))
        << lacking.toStdString();
  }
}

// Of all byte pairs, 9604 are characters. 398 of them repeat a sign found at another pair too
// (NEC's and IBM's extensions overlap) and are written as that other pair.
TEST(Cp932, EveryCharacterOfTheTableSurvivesARoundTripWrittenAsItsPreferredTwin) {
  int characters = 0, twins = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const QByteArray pair = QByteArray(1, char(lead)) + char(trail);
      const Decoded decoded = decode(pair);
      if (decoded.firstInvalidByte || decoded.text.size() != 1) continue;
      ++characters;
      const QByteArray written = encode(decoded.text).bytes;
      EXPECT_EQ(decode(written).text, decoded.text) << pair.toHex().toStdString();
      twins += written != pair;
    }
  }
  EXPECT_EQ(std::pair(characters, twins), std::pair(9604, 398));
  const std::pair<QByteArray, QByteArray> kWrittenAs[] = {
      {"\xED\x40", "\xFA\x5C"}, {"\x87\x90", "\x81\xE0"}, {"\xEE\xF9", "\x81\xCA"}};
  for (const auto& [twin, preferred] : kWrittenAs)
    EXPECT_EQ(encode(decode(twin).text).bytes.toHex(' '), preferred.toHex(' '));
}

}  // namespace
}  // namespace orv::platform::cp932
