#include "platform/cp932.h"

#include <windows.h>

#include <algorithm>

namespace orv::platform::cp932 {

namespace {

constexpr UINT kCp932 = 932;

// Signs that the table keeps only in another form: the JIS forms of a few signs, kept as their
// Microsoft forms, and the yen sign and overline, which a JIS keyboard types for the backslash
// and tilde keys and which are written as those bytes. Every other system the editor runs on
// writes them so, and a text typed with a JIS-minded input method saves the same everywhere.
struct OneWay {
  char16_t from, to;
};
constexpr OneWay kOneWay[] = {
    {u'\u301C', u'\uFF5E'}, {u'\u2016', u'\u2225'}, {u'\u2212', u'\uFF0D'},
    {u'\u00A2', u'\uFFE0'}, {u'\u00A3', u'\uFFE1'}, {u'\u00AC', u'\uFFE2'},
    {u'\u2014', u'\u2015'}, {u'\u00A5', u'\\'},     {u'\u203E', u'~'}};

// The system's table gives the single bytes 0x80, 0xA0 and 0xFD to 0xFF characters of their own
// (U+0080 and U+F8F0 to U+F8F3) although code page 932 assigns nothing there. A file holding
// them is not code page 932 text, and a text holding those characters cannot be written as one.
bool isUnassigned(QChar c) {
  return c.unicode() == 0x80 || (c.unicode() >= 0xF8F0 && c.unicode() <= 0xF8F3);
}

bool holdsUnassigned(QStringView text) {
  return std::any_of(text.begin(), text.end(), isUnassigned);
}

// `text`, or a copy of it in `copy` with the JIS forms replaced when it holds any.
QStringView microsoftForms(QStringView text, QString& copy) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    for (const OneWay& sign : kOneWay) {
      if (text[i] != QChar(sign.from)) continue;
      if (copy.isNull()) copy = text.toString();
      copy[i] = QChar(sign.to);
    }
  }
  return copy.isNull() ? text : QStringView(copy);
}

// The UTF-16 units of `bytes`, or nothing when a byte sequence is not code page 932.
std::optional<QString> decodeStrictly(QByteArrayView bytes) {
  const int inSize = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, bytes.data(), inSize, nullptr, 0);
  if (n <= 0) return std::nullopt;
  QString text(n, Qt::Uninitialized);
  MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, bytes.data(), inSize,
                      reinterpret_cast<wchar_t*>(text.data()), n);
  if (holdsUnassigned(text)) return std::nullopt;
  return text;
}

// Bytes of `text` by the table alone: no best-fit look-alikes, nothing put in for what it lacks.
// False when a character has no place in the table.
bool encodeStrictly(QStringView original, QByteArray& out) {
  if (holdsUnassigned(original)) return false;
  QString copy;
  const QStringView text = microsoftForms(original, copy);
  const auto* in = reinterpret_cast<const wchar_t*>(text.utf16());
  const int inSize = static_cast<int>(text.size());
  out.resize(text.size() * 2);  // a UTF-16 unit never gives more than two bytes
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, in, inSize, out.data(),
                                    static_cast<int>(out.size()), nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.resize(n);
  return true;
}

}  // namespace

Decoded decode(QByteArrayView bytes) {
  Decoded result;
  if (bytes.isEmpty()) return result;
  if (auto text = decodeStrictly(bytes)) {
    result.text = std::move(*text);
    return result;
  }
  // Character by character from the first failure on: a lead byte takes its trail byte when the
  // pair is in the table; any other byte that does not convert alone reads as U+FFFD.
  QString& text = result.text;
  text.reserve(bytes.size());
  qsizetype at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<BYTE>(bytes[at]);
    const qsizetype width = IsDBCSLeadByteEx(kCp932, lead) && at + 1 < bytes.size() ? 2 : 1;
    if (auto one = decodeStrictly(bytes.sliced(at, width))) {
      text += *one;
      at += width;
      continue;
    }
    if (!result.firstInvalidByte) result.firstInvalidByte = at;
    text += QChar::ReplacementCharacter;  // the byte after may start a valid character
    ++at;
  }
  return result;
}

Encoder::Encoder() : m_cd(nullptr) {}

Encoder::~Encoder() = default;

std::optional<qsizetype> Encoder::encode(QStringView text, QByteArray& out) {
  if (encodeStrictly(text, out)) return std::nullopt;
  // Found again one character (a surrogate pair counts as one) at a time.
  QByteArray one;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    if (!encodeStrictly(text.sliced(i, width), one)) return i;
    i += width;
  }
  return 0;  // the whole failed although every character converts: the system refused
}

}  // namespace orv::platform::cp932
