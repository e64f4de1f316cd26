#pragma once

#include <QHash>
#include <QObject>

#include <functional>

class QAbstractButton;

namespace orv::platform {

// Turns the toolkit's mouse events on a button into the three events the handlers expect:
// mouse down and mouse up for any mouse button (the release reaches the button it was pressed on,
// wherever the pointer is), and one double click. The toolkit's double click would otherwise
// also count as a second press and a second click; it is delivered only as the double click.
class ButtonEvents : public QObject {
 public:
  struct Handlers {
    std::function<void(int index)> mouseDown;
    std::function<void(int index)> mouseUp;
    std::function<void(int index)> dblClick;
  };

  explicit ButtonEvents(QObject* parent = nullptr) : QObject(parent) {}

  void watch(QAbstractButton* button, int index, const Handlers& handlers);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Watched {
    int index = 0;
    Handlers handlers;
  };
  QHash<const QObject*, Watched> m_watched;
};

}  // namespace orv::platform
