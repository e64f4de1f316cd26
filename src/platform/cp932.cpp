#include "platform/cp932.h"

namespace orv::platform::cp932 {

Encoded encode(QStringView text) {
  Encoded result;
  if (text.isEmpty()) return result;
  Encoder encoder;
  result.firstUnencodable = encoder.encode(text, result.bytes);
  if (result.firstUnencodable) result.bytes.clear();
  return result;
}

}  // namespace orv::platform::cp932
