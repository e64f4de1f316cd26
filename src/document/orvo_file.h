#pragma once

// The Orvo file: the document text in code page 932, lines ended by CR LF, the last one too.
// Reading accepts CR LF or a lone CR as a line end; a lone LF is an ordinary character.
// Nothing here touches a widget, so the reader can be fuzzed on its own.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace orv::document {

struct DecodedDocument {
  QString text;  // lines joined by CR LF, without a line end after the last one
  // 1-based line of the first byte that is not code page 932; such bytes read as U+FFFD.
  std::optional<qsizetype> invalidByteLine;
};

// Where the first character code page 932 cannot hold stands in a text.
struct Unencodable {
  qsizetype line = 0;    // 1-based, lines ended by CR LF (or a lone CR)
  qsizetype column = 0;  // 1-based, in characters (a surrogate pair is one)
  char32_t codePoint = 0;
};

struct EncodedDocument {
  QByteArray bytes;                        // the text only; the file's final CR LF is not included
  std::optional<Unencodable> unencodable;  // set, and `bytes` empty, when the text cannot be held
};

DecodedDocument decodeDocument(QByteArrayView bytes);
EncodedDocument encodeDocument(QStringView text);

// The location of the character at `index` (UTF-16 units) of `text`.
Unencodable locate(QStringView text, qsizetype index);

inline constexpr QByteArrayView kLineEnd = "\r\n";

// No score comes near this; anything larger is refused rather than read into memory.
inline constexpr qint64 kLargestDocument = qint64{256} * 1024 * 1024;

struct ReadResult {
  enum class Status {
    Read,
    Missing,  // no file by that name
    Refused,  // it exists but was not read: no access, not a regular file, too large, I/O error
  };
  Status status = Status::Missing;
  DecodedDocument document;
  QString reason;  // the system's words for a failure
};

struct WriteResult {
  enum class Status { Written, Unencodable, WriteFailed };
  Status status = Status::Written;
  qsizetype unencodableIndex = -1;  // in the whole text, UTF-16 units; see locate()
  QString reason;
};

// Never blocks and never reads more than kLargestDocument bytes.
ReadResult readDocumentFile(const QString& path);

// Hands over the text in consecutive pieces, never ending one inside a surrogate pair, and an
// empty string after the last; a large text then never needs a second whole copy.
using TextPieces = std::function<QString()>;

// Replaces the file only once the whole text is safely written beside it and on the disk; on any
// failure, a character the code page lacks included, the file at `path` is left as it was.
WriteResult writeDocumentFile(const QString& path, const TextPieces& nextPiece);
WriteResult writeDocumentFile(const QString& path, QStringView text);

// The pieces of `text`, about 32K units each and never splitting a surrogate pair, each passed
// through `convert` on its way out. `text` must outlive the pieces.
TextPieces piecesOf(QStringView text, std::function<QString(QStringView)> convert);

}  // namespace orv::document
