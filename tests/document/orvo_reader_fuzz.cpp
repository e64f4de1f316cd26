// Arbitrary bytes as an Orvo file: the reader must give a text every time, with CR LF as its only
// line end, and a text read without a bad byte must survive being written and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/orvo_file.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orv::document;
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const DecodedDocument read = decodeDocument(bytes);
  const QString& text = read.text;

  for (qsizetype i = text.indexOf(u'\r'); i >= 0; i = text.indexOf(u'\r', i + 1)) {
    check(i + 1 < text.size() && text.at(i + 1) == u'\n');
  }
  check(text.size() <= bytes.size() * 2);
  // Code page 932 has no sequence for U+FFFD, so it appears exactly where a bad byte was.
  check(read.invalidByteLine.has_value() == text.contains(QChar::ReplacementCharacter));
  if (read.invalidByteLine) {
    check(*read.invalidByteLine >= 1 && *read.invalidByteLine <= text.count(u'\r') + 1);
    return 0;
  }

  const EncodedDocument written = encodeDocument(text);
  check(!written.unencodable.has_value());
  const DecodedDocument again = decodeDocument(written.bytes + kLineEnd.toByteArray());
  check(again.text == text);
  check(!again.invalidByteLine.has_value());
  return 0;
}
