#include "platform/x11_window_system.h"

#include <QGuiApplication>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <cstring>
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

quint32 internAtom(xcb_connection_t* connection, const char* name) {
  const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
      nullptr));
  return reply ? reply->atom : 0;
}

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

FrameEvents::FrameEvents(QWidget* window, std::function<void()> frameChanged)
    : QObject(window), m_window(window), m_frameChanged(std::move(frameChanged)) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  m_frameExtentsAtom = internAtom(x11->connection(), "_NET_FRAME_EXTENTS");
  if (m_frameExtentsAtom != 0) qGuiApp->installNativeEventFilter(this);
}

FrameEvents::~FrameEvents() {
  if (m_frameExtentsAtom != 0) qGuiApp->removeNativeEventFilter(this);
}

bool FrameEvents::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const WId window = m_window->internalWinId();
  if (window == 0) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  bool framed = false;
  switch (event->response_type & 0x7f) {
    case XCB_REPARENT_NOTIFY:
      framed = reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window == window;
      break;
    case XCB_PROPERTY_NOTIFY: {
      const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
      framed = property->window == window && property->atom == m_frameExtentsAtom;
      break;
    }
    default:
      break;
  }
  // The toolkit reads the new frame only after this filter has let the event through.
  if (framed) QMetaObject::invokeMethod(this, m_frameChanged, Qt::QueuedConnection);
  return false;
}

}  // namespace orv::platform
