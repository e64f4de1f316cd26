#include "platform/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace orv::platform::cp932 {

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* kUtf16 = "UTF-16LE";
#else
constexpr const char* kUtf16 = "UTF-16BE";
#endif
// glibc's name for the Microsoft table (NEC and IBM extensions, "～" as U+FF5E).
constexpr const char* kCp932 = "CP932";

class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  enum class Stop { Done, Invalid, OutputFull };
  // Converts as much as it can and advances both sides. Invalid: `in` stands at a sequence that
  // cannot be converted, or at an incomplete one at the end of the input.
  Stop convert(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
    char* src = const_cast<char*>(in);
    const size_t r = iconv(m_cd, &src, &inLeft, &out, &outLeft);
    in = src;
    if (r != static_cast<size_t>(-1)) return Stop::Done;
    return errno == E2BIG ? Stop::OutputFull : Stop::Invalid;
  }

 private:
  iconv_t m_cd;
};

}  // namespace

Decoded decode(QByteArrayView bytes) {
  Decoded result;
  if (bytes.isEmpty()) return result;
  // The table maps every byte below 0x80 to the same code (0x5C stays the backslash): text of
  // those alone needs no converter, whose first use loads glibc's table module.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
    result.text = QString::fromLatin1(bytes);
    return result;
  }
  Converter conv(kUtf16, kCp932);
  QString& text = result.text;
  const char* const begin = bytes.data();
  const char* in = begin;
  size_t inLeft = static_cast<size_t>(bytes.size());
  qsizetype written = 0;
  while (inLeft > 0) {
    // One or two bytes give one UTF-16 unit, so room for one unit a byte (and one replacement)
    // is enough; should the table ever need more, iconv stops with the output full and the
    // next pass makes room again.
    const qsizetype room = written + static_cast<qsizetype>(inLeft) + 1;
    if (text.size() < room) text.resize(room);
    char* const outStart = reinterpret_cast<char*>(text.data() + written);
    char* out = outStart;
    size_t outLeft = static_cast<size_t>(text.size() - written) * 2;
    const Converter::Stop stop =
        conv.valid() ? conv.convert(in, inLeft, out, outLeft) : Converter::Stop::Invalid;
    written += (out - outStart) / 2;
    if (stop == Converter::Stop::Done) break;
    if (stop == Converter::Stop::OutputFull) continue;
    if (!result.firstInvalidByte) result.firstInvalidByte = in - begin;
    // The bad byte alone is replaced; the byte after it may start a valid character.
    text[written++] = QChar::ReplacementCharacter;
    ++in;
    --inLeft;
  }
  text.resize(written);
  return result;
}

Encoder::Encoder() : m_cd(iconv_open(kCp932, kUtf16)) {}

Encoder::~Encoder() {
  if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(static_cast<iconv_t>(m_cd));
}

std::optional<qsizetype> Encoder::encode(QStringView text, QByteArray& out) {
  if (m_cd == reinterpret_cast<iconv_t>(-1)) return 0;
  // A UTF-16 unit never gives more than two bytes.
  out.resize(text.size() * 2);
  const char* const inStart = reinterpret_cast<const char*>(text.utf16());
  char* in = const_cast<char*>(inStart);
  size_t inLeft = static_cast<size_t>(text.size()) * 2;
  char* o = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  if (iconv(static_cast<iconv_t>(m_cd), &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) {
    return (in - inStart) / 2;
  }
  out.resize(o - out.data());
  return std::nullopt;
}

}  // namespace orv::platform::cp932
