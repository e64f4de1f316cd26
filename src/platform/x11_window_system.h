#pragma once

// What the editor needs from the X11 window system beyond the toolkit: held keys reported as
// repeated presses, and word of the window manager framing the window. On any other window
// system both do nothing.

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>

class QWidget;

namespace orv::platform {

// Asks the window system to report a held key as repeated presses with one release at the end,
// instead of a release and press pair for every repeat. Only an X11 connection needs and allows
// this; on any other platform nothing is done. Returns whether the X server granted it.
bool useDetectableKeyRepeat();

// Tells when the window manager has framed a top-level window or changed its frame. On X11 the
// frame is known only after the window manager has taken the window into a frame window of its
// own, which it may do after the window has been shown and without changing the window's size,
// so no resize event comes. `frameChanged` runs from the event loop once the toolkit has seen the
// change. Does nothing on other window systems.
class FrameEvents : public QObject, public QAbstractNativeEventFilter {
 public:
  FrameEvents(QWidget* window, std::function<void()> frameChanged);
  ~FrameEvents() override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QWidget* m_window;
  std::function<void()> m_frameChanged;
  quint32 m_frameExtentsAtom = 0;  // _NET_FRAME_EXTENTS; 0 when not on X11
};

}  // namespace orv::platform
