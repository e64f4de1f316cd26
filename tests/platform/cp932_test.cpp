#include "platform/cp932.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orv::platform::cp932 {
namespace {

TEST(Cp932, ConvertsByTheMicrosoftTableAndMarksWhatItCannot) {
  // The text each byte sequence decodes to and the first invalid byte (-1: none); valid rows
  // also encode back to their bytes.
  const std::tuple<QByteArray, QString, qsizetype> rows[] = {
      {"\x81\x60", QStringLiteral("\uFF5E"), -1},
      {"\x87\x40", QStringLiteral("①"), -1},
      {"\x81\x20", QStringLiteral("\uFFFD "), 0},
      {"\x98\x61\x80\xA0\xFF", QStringLiteral("和\uFFFD\uFFFD\uFFFD"), 2},
      {"\x81\r\n", QStringLiteral("\uFFFD\r\n"), 0},
  };
  for (const auto& [bytes, text, firstInvalid] : rows) {
    SCOPED_TRACE(bytes.toHex(' ').toStdString());
    const Decoded decoded = decode(bytes);
    EXPECT_EQ(decoded.text, text);
    EXPECT_EQ(decoded.firstInvalidByte.value_or(-1), firstInvalid);
    if (firstInvalid < 0) {
      EXPECT_EQ(encode(text).bytes.toHex(' '), bytes.toHex(' '));
    }
  }
  // The converter's one-way mapping is accepted: the wave dash is written as "～".
  EXPECT_EQ(encode(QStringLiteral("\u301C")).bytes, QByteArray("\x81\x60"));
  // A character the table lacks leaves no bytes, only its index.
  const Encoded lacking = encode(QStringLiteral("和音\U0001F3B5x"));
  EXPECT_EQ(lacking.firstUnencodable, std::optional<qsizetype>(2));
  EXPECT_TRUE(lacking.bytes.isEmpty());
}

}  // namespace
}  // namespace orv::platform::cp932
