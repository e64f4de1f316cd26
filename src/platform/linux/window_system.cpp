#include "platform/window_system.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>
// The XKB protocol header names a member `explicit`.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace orv::platform {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

constexpr quint32 kKeyCodeOffset = 8;

}  // namespace

bool useDetectableKeyRepeat() {
  // X11 sends the repeats of a held key as release and press pairs stamped with one time. The
  // toolkit tells such a pair from a real release only when the press is already in its queue,
  // which a busy machine often defeats: the note would stop and strike again while the key is
  // down. With this per-client flag the server sends the repeats as presses alone.
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11) return false;
  xcb_connection_t* connection = x11->connection();
  if (!connection) return false;

  const Reply<xcb_xkb_use_extension_reply_t> version(xcb_xkb_use_extension_reply(
      connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
      nullptr));
  if (!version || !version->supported) return false;

  constexpr std::uint32_t kDetectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  const Reply<xcb_xkb_per_client_flags_reply_t> flags(
      xcb_xkb_per_client_flags_reply(connection,
                                     xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD,
                                                              kDetectable, kDetectable, 0, 0, 0),
                                     nullptr));
  return flags && (flags->value & kDetectable) != 0;
}

quint32 physicalKeyCode(quint32 nativeScanCode) {
  // X11 and Wayland key codes are the Linux input codes shifted by 8.
  return nativeScanCode >= kKeyCodeOffset ? nativeScanCode - kKeyCodeOffset : 0;
}

quint32 nativeScanCodeOf(quint32 physicalKey) {
  return physicalKey + kKeyCodeOffset;
}

}  // namespace orv::platform
