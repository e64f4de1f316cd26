#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace orv::platform::cp932 {
namespace {

struct Pair {
  const char* name;
  QString text;
  QByteArray bytes;
};

void PrintTo(const Pair& p, std::ostream* os) {
  *os << p.name;
}

// Characters whose bytes tell the Microsoft table apart from plain Shift_JIS, and the edges of
// the single-byte range.
class Cp932RoundTrip : public ::testing::TestWithParam<Pair> {};

TEST_P(Cp932RoundTrip, EncodesToTheTableBytesAndBack) {
  const Encoded encoded = encode(GetParam().text);
  EXPECT_FALSE(encoded.firstUnencodable.has_value());
  EXPECT_EQ(encoded.bytes.toHex(' '), GetParam().bytes.toHex(' '));
  const Decoded decoded = decode(GetParam().bytes);
  EXPECT_FALSE(decoded.firstInvalidByte.has_value());
  EXPECT_EQ(decoded.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Cp932RoundTrip,
    ::testing::Values(Pair{"heavyVerticalLine", QStringLiteral("┃"), QByteArray("\x84\xAB")},
                      Pair{"chord", QStringLiteral("和音"), QByteArray("\x98\x61\x89\xB9")},
                      Pair{"fullwidthTilde", QStringLiteral("\uFF5E"), QByteArray("\x81\x60")},
                      Pair{"circledOne", QStringLiteral("①"), QByteArray("\x87\x40")},
                      Pair{"ibmExtension", QStringLiteral("\u2170"), QByteArray("\xFA\x40")},
                      Pair{"halfwidthKatakana", QStringLiteral("\uFF61\uFF9F"),
                           QByteArray("\xA1\xDF")},
                      Pair{"controlsAndNul", QString(QChar(0)) + QStringLiteral("\t\r\n"),
                           QByteArray("\x00\t\r\n", 4)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp932, EncodingStopsAtTheFirstCharacterTheTableLacks) {
  struct Row {
    QString text;
    qsizetype index;
  };
  const Row rows[] = {
      {QStringLiteral("©"), 0},
      {QStringLiteral("abcé"), 3},
      {QStringLiteral("和音\U0001F3B5x"), 2},
      {QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"), 1},  // a lone surrogate
      {QStringLiteral("ok\uFFFD"), 2},
  };
  for (const Row& row : rows) {
    const Encoded encoded = encode(row.text);
    EXPECT_EQ(encoded.firstUnencodable, std::optional<qsizetype>(row.index)) << row.index;
    EXPECT_TRUE(encoded.bytes.isEmpty());
  }
  // The converter's own one-way mappings are accepted: the wave dash is written as "～".
  EXPECT_EQ(encode(QStringLiteral("\u301C")).bytes, QByteArray("\x81\x60"));
}

TEST(Cp932, InvalidBytesBecomeReplacementCharactersAndDecodingGoesOn) {
  struct Row {
    QByteArray bytes;
    QString text;
    qsizetype firstInvalid;
  };
  const Row rows[] = {
      {QByteArray("\x81\x20"), QStringLiteral("\uFFFD "), 0},
      {QByteArray("a\xFD"
                  "b"),
       QStringLiteral("a\uFFFDb"), 1},
      {QByteArray("\x98\x61\x80\xA0\xFF"), QStringLiteral("和\uFFFD\uFFFD\uFFFD"), 2},
      {QByteArray("ab\x81"), QStringLiteral("ab\uFFFD"), 2},  // a lead byte cut off at the end
      {QByteArray("\x81\r\n"), QStringLiteral("\uFFFD\r\n"), 0},
  };
  for (const Row& row : rows) {
    const Decoded decoded = decode(row.bytes);
    EXPECT_EQ(decoded.text, row.text) << row.bytes.toHex(' ').toStdString();
    EXPECT_EQ(decoded.firstInvalidByte, std::optional<qsizetype>(row.firstInvalid));
  }
}

TEST(Cp932, LargeInputsConvertWhole) {
  QString text;
  for (int i = 0; i < 20000; ++i) text += QStringLiteral("d4r8和音┃ｱ\r\n");
  const Encoded encoded = encode(text);
  ASSERT_FALSE(encoded.firstUnencodable.has_value());
  QByteArray bad = encoded.bytes;
  bad.append('\xFD');
  bad.append(encoded.bytes);
  const Decoded decoded = decode(bad);
  EXPECT_EQ(decoded.text, text + QChar(QChar::ReplacementCharacter) + text);
  EXPECT_EQ(decoded.firstInvalidByte, std::optional<qsizetype>(encoded.bytes.size()));
}

}  // namespace
}  // namespace orv::platform::cp932
