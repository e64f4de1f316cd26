#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace orv::platform::cp932 {

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  // Converts as much as it can; returns false at a sequence it cannot convert (EILSEQ) or an
  // incomplete one at the end (EINVAL), leaving `in` there.
  bool convert(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
    char* src = const_cast<char*>(in);
    const size_t r = iconv(m_cd, &src, &inLeft, &out, &outLeft);
    in = src;
    return r != static_cast<size_t>(-1);
  }

 private:
  iconv_t m_cd;
};

}  // namespace

Decoded decode(QByteArrayView bytes) {
  Decoded result;
  if (bytes.isEmpty()) return result;
  Converter conv("UTF-16LE", "CP932");
  // Every byte gives at most one UTF-16 unit, so one buffer of that size always suffices.
  result.text.resize(bytes.size());
  const char* in = bytes.data();
  size_t inLeft = static_cast<size_t>(bytes.size());
  char* outStart = reinterpret_cast<char*>(result.text.data());
  char* out = outStart;
  size_t outLeft = static_cast<size_t>(bytes.size()) * 2;
  while (inLeft > 0) {
    if (conv.valid() && conv.convert(in, inLeft, out, outLeft)) break;
    if (!result.firstInvalidByte) result.firstInvalidByte = in - bytes.data();
    // One bad byte becomes one replacement character; decoding goes on after it.
    const char16_t replacement = 0xFFFD;
    std::memcpy(out, &replacement, 2);
    out += 2;
    outLeft -= 2;
    ++in;
    --inLeft;
  }
  result.text.resize((out - outStart) / 2);
  return result;
}

Encoded encode(QStringView text) {
  Encoded result;
  if (text.isEmpty()) return result;
  Converter conv("CP932", "UTF-16LE");
  if (!conv.valid()) {
    result.firstUnencodable = 0;
    return result;
  }
  const qsizetype units = text.size();
  result.bytes.resize(units * 2);
  const char* inStart = reinterpret_cast<const char*>(text.utf16());
  const char* in = inStart;
  size_t inLeft = static_cast<size_t>(units) * 2;
  char* out = result.bytes.data();
  size_t outLeft = static_cast<size_t>(result.bytes.size());
  if (!conv.convert(in, inLeft, out, outLeft)) {
    result.firstUnencodable = (in - inStart) / 2;
    result.bytes.clear();
    return result;
  }
  result.bytes.resize(out - result.bytes.data());
  return result;
}

}  // namespace orv::platform::cp932
