// Arbitrary bytes as an Orvo file: the reader must give a text every time, with CR LF as its only
// line end, and a text read without a bad byte must survive being written and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/orvo_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orv::document;
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const DecodedDocument read = decodeDocument(bytes);
  const QString& text = read.text;
  bool ok = text.size() <= 2 * bytes.size() && text.count(u'\r') == text.count(u"\r\n");
  // Code page 932 has no sequence for U+FFFD, so it appears exactly where a bad byte was.
  ok = ok && read.invalidByteLine.has_value() == text.contains(QChar::ReplacementCharacter);
  if (read.invalidByteLine) {
    ok = ok && *read.invalidByteLine >= 1 && *read.invalidByteLine <= text.count(u'\r') + 1;
  } else {
    const EncodedDocument written = encodeDocument(text);
    ok = ok && !written.unencodable && decodeDocument(written.bytes + "\r\n").text == text;
  }
  if (!ok) std::abort();
  return 0;
}
