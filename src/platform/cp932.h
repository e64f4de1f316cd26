#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Code page 932 (the Microsoft Shift_JIS table) in both directions, with the place of the first
// byte or character that does not convert.
namespace orv::platform::cp932 {

struct Decoded {
  QString text;  // every byte that is not valid code page 932 appears as U+FFFD
  std::optional<qsizetype> firstInvalidByte;
};

struct Encoded {
  QByteArray bytes;                           // empty when a character could not be encoded
  std::optional<qsizetype> firstUnencodable;  // index of the character in the text (UTF-16 units)
};

Decoded decode(QByteArrayView bytes);
Encoded encode(QStringView text);

}  // namespace orv::platform::cp932
