#include "document/orvo_file.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/file_io.h"

namespace orv::document {

namespace {

// A lone CR ends a line just as CR LF does; in the text every line end is CR LF.
QString withCrLfLineEnds(QString text) {
  qsizetype cr = text.indexOf(u'\r');
  bool lone = false;
  while (cr >= 0 && !lone) {
    lone = cr + 1 == text.size() || text.at(cr + 1) != u'\n';
    if (!lone) cr = text.indexOf(u'\r', cr + 2);
  }
  if (!lone) return text;
  QString out;
  out.reserve(text.size() + text.size() / 8);
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    out.append(c);
    if (c == u'\r' && (i + 1 == n || text.at(i + 1) != u'\n')) out.append(u'\n');
  }
  return out;
}

}  // namespace

DecodedDocument decodeDocument(QByteArrayView bytes) {
  platform::cp932::Decoded decoded = platform::cp932::decode(bytes);
  DecodedDocument result;
  if (decoded.firstInvalidByte) {
    // A CR byte never belongs to a two-byte character, so counting CRs counts line ends.
    const auto before = bytes.first(*decoded.firstInvalidByte);
    result.invalidByteLine = 1 + std::count(before.begin(), before.end(), '\r');
  }
  QString& text = decoded.text;
  // The line end at the very end of the file closes the last line and opens no empty one.
  if (text.endsWith(u"\r\n")) {
    text.chop(2);
  } else if (text.endsWith(u'\r')) {
    text.chop(1);
  }
  result.text = withCrLfLineEnds(std::move(text));
  return result;
}

Unencodable locate(QStringView text, qsizetype index) {
  Unencodable where;
  const QStringView before = text.first(index);
  where.line = 1 + before.count(u'\r');
  qsizetype lineStart = before.lastIndexOf(u'\r') + 1;
  if (lineStart > 0 && lineStart < index && before.at(lineStart) == u'\n') ++lineStart;
  qsizetype column = 1;
  for (qsizetype i = lineStart; i < index; ++i) {
    if (!(before.at(i).isLowSurrogate() && i > lineStart && before.at(i - 1).isHighSurrogate())) {
      ++column;
    }
  }
  where.column = column;
  const QChar c = text.at(index);
  if (c.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate()) {
    where.codePoint = QChar::surrogateToUcs4(c, text.at(index + 1));
  } else {
    where.codePoint = c.unicode();
  }
  return where;
}

EncodedDocument encodeDocument(QStringView text) {
  platform::cp932::Encoded encoded = platform::cp932::encode(text);
  EncodedDocument result;
  if (encoded.firstUnencodable) {
    result.unencodable = locate(text, *encoded.firstUnencodable);
  } else {
    result.bytes = std::move(encoded.bytes);
  }
  return result;
}

ReadResult readDocumentFile(const QString& path) {
  ReadResult result;
  platform::FileRead file = platform::readRegularFile(path, kLargestDocument);
  switch (file.status) {
    case platform::FileRead::Status::Read:
      result.status = ReadResult::Status::Read;
      result.document = decodeDocument(file.bytes);
      break;
    case platform::FileRead::Status::Missing:
      result.status = ReadResult::Status::Missing;
      break;
    case platform::FileRead::Status::Refused:
      result.status = ReadResult::Status::Refused;
      break;
  }
  result.reason = std::move(file.reason);
  return result;
}

WriteResult writeDocumentFile(const QString& path, const TextPieces& nextPiece) {
  WriteResult result;
  platform::AtomicFileWriter file(path);
  auto fail = [&] {
    result.status = WriteResult::Status::WriteFailed;
    result.reason = file.errorString();
    return result;
  };
  if (!file.open()) return fail();
  platform::cp932::Encoder encoder;
  QByteArray bytes;
  qsizetype offset = 0;
  for (QString piece = nextPiece(); !piece.isEmpty(); piece = nextPiece()) {
    if (const auto bad = encoder.encode(piece, bytes)) {
      file.cancel();
      result.status = WriteResult::Status::Unencodable;
      result.unencodableIndex = offset + *bad;
      return result;
    }
    if (!file.write(bytes)) return fail();
    offset += piece.size();
  }
  if (!file.write(kLineEnd) || !file.commit()) return fail();
  return result;
}

WriteResult writeDocumentFile(const QString& path, QStringView text) {
  return writeDocumentFile(path,
                           piecesOf(text, [](QStringView piece) { return piece.toString(); }));
}

TextPieces piecesOf(QStringView text, std::function<QString(QStringView)> convert) {
  static constexpr qsizetype kPiece = 32 * 1024;
  return [text, convert = std::move(convert), at = qsizetype{0}]() mutable {
    qsizetype n = std::min(kPiece, text.size() - at);
    if (n > 0 && at + n < text.size() && text.at(at + n - 1).isHighSurrogate()) ++n;
    const QStringView piece = text.sliced(at, n);
    at += n;
    return n > 0 ? convert(piece) : QString();
  };
}

}  // namespace orv::document
