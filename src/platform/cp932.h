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

// Encodes a long text piece by piece with one converter, into a buffer the caller reuses.
class Encoder {
 public:
  Encoder();
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Replaces the contents of `out` with the bytes of `text`. On a character the table lacks,
  // returns its index in `text` (`out` is then unspecified). A piece must not end inside a
  // surrogate pair.
  std::optional<qsizetype> encode(QStringView text, QByteArray& out);

 private:
  void* m_cd;  // the iconv descriptor
};

}  // namespace orv::platform::cp932
