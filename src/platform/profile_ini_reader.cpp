#include "platform/profile_ini_reader.h"

#include <QStringDecoder>

#include <algorithm>
#include <optional>

#include "platform/cp932.h"
#include "platform/file_io.h"

namespace orv::platform {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView s) {
  while (!s.isEmpty() && isBlank(s.front())) s = s.sliced(1);
  while (!s.isEmpty() && isBlank(s.back())) s.chop(1);
  return s;
}

bool isLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool isTrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Length of the character that starts at `i`: two for a lead byte with its trail byte, else one.
qsizetype charLength(QByteArrayView s, qsizetype i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (isLeadByte(c) && i + 1 < s.size() && isTrailByte(static_cast<unsigned char>(s[i + 1]))) {
    return 2;
  }
  return 1;
}

// The first `c` that is a character of its own, not the second byte of a double-byte one.
std::optional<qsizetype> findChar(QByteArrayView s, char c) {
  for (qsizetype i = 0; i < s.size(); i += charLength(s, i)) {
    if (s[i] == c) return i;
  }
  return std::nullopt;
}

QByteArrayView capped(QByteArrayView value) {
  if (const qsizetype nul = value.indexOf('\0'); nul >= 0) value.truncate(nul);
  qsizetype end = 0;
  while (end < value.size()) {
    const qsizetype next = end + charLength(value, end);
    if (next > ProfileIniReader::kMaxValueBytes) break;
    end = next;
  }
  return value.first(end);
}

QByteArrayView unquoted(QByteArrayView value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.sliced(1, value.size() - 2);
  }
  return value;
}

bool sameName(QByteArrayView bytes, const QString& name) {
  return cp932::decode(bytes).text.compare(name, Qt::CaseInsensitive) == 0;
}

// A file saved as UTF-16 with its byte-order mark, as the bytes code page 932 gives its text:
// a character the code page lacks reads as "?", as the system's profile functions give it to a
// program that reads code page 932. Nothing for any other file, which is read as it is.
std::optional<QByteArray> fromUtf16(QByteArrayView contents) {
  const bool little = contents.startsWith("\xFF\xFE"), big = contents.startsWith("\xFE\xFF");
  if (!little && !big) return std::nullopt;
  QStringDecoder utf16(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
  const QString text = utf16.decode(contents.sliced(2));
  cp932::Encoder encoder;
  QByteArray bytes, one;
  if (!encoder.encode(text, bytes)) return bytes;
  bytes.clear();
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    bytes += encoder.encode(QStringView(text).sliced(i, width), one) ? QByteArray("?") : one;
    i += width;
  }
  return bytes;
}

// A FIFO or a device in the file's place, or a file past the size limit, reads as nothing.
QByteArray readFile(const QString& path) {
  FileRead file = readRegularFile(path, ProfileIniReader::kMaxFileBytes);
  return file.status == FileRead::Status::Read ? std::move(file.bytes) : QByteArray();
}

}  // namespace

QString ProfileIniReader::readString(const QString& path, const QString& section,
                                     const QString& key, const QString& defaultValue) {
  return lookUp(readFile(path), section, key, defaultValue);
}

QString ProfileIniReader::lookUp(QByteArrayView file, const QString& section, const QString& key,
                                 const QString& defaultValue) {
  const std::optional<QByteArray> converted = fromUtf16(file);
  const QByteArrayView contents = converted ? QByteArrayView(*converted) : file;
  enum class Where { BeforeSection, Other, Wanted };
  Where where = Where::BeforeSection;
  qsizetype pos = 0;
  while (pos < contents.size()) {
    // CR and LF are never part of a double-byte character, so lines split on the bytes.
    qsizetype end = pos;
    while (end < contents.size() && contents[end] != '\n' && contents[end] != '\r') ++end;
    const QByteArrayView line = trimmed(contents.sliced(pos, end - pos));
    pos = end + 1;
    if (line.isEmpty() || line.front() == ';') continue;
    if (line.front() == '[') {
      // Only the first section of the name counts; a later one of the same name is ignored.
      if (where == Where::Wanted) break;
      const QByteArrayView rest = line.sliced(1);
      const QByteArrayView name = rest.first(findChar(rest, ']').value_or(rest.size()));
      where = sameName(trimmed(name), section) ? Where::Wanted : Where::Other;
      continue;
    }
    if (where != Where::Wanted) continue;
    const std::optional<qsizetype> equals = findChar(line, '=');
    if (!equals || !sameName(trimmed(line.first(*equals)), key)) continue;
    return cp932::decode(capped(unquoted(trimmed(line.sliced(*equals + 1))))).text;
  }
  return defaultValue;
}

}  // namespace orv::platform
