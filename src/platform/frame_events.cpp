#include "platform/frame_events.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace orv::platform {

namespace {

quint32 internAtom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (!reply) return 0;
  const quint32 atom = reply->atom;
  std::free(reply);
  return atom;
}

}  // namespace

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
