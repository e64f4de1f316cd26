#include "shell/deferred_icon_style.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>

#include <optional>
#include <utility>

namespace orv::shell {

namespace {

// An icon that asks its style for the real one the first time anything of it is needed. Sizes
// arrive here already in device pixels (the toolkit multiplies by the screen's scale before it
// calls an engine), so the real icon is asked at a scale of 1, where it hands them on unchanged.
class DeferredIconEngine final : public QIconEngine {
 public:
  DeferredIconEngine(QPointer<QStyle> style, QStyle::StandardPixmap which,
                     std::optional<QStyleOption> option, QPointer<const QWidget> widget)
      : m_style(std::move(style)),
        m_which(which),
        m_option(std::move(option)),
        m_widget(std::move(widget)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device()->devicePixelRatio();
    painter->drawPixmap(rect, scaledPixmap(rect.size() * scale, mode, state, scale));
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return icon().pixmap(size, 1.0, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal /*scale*/) override {
    return pixmap(size, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return pixmap(size, mode, state).size();
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return icon().availableSizes(mode, state);
  }
  QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

 private:
  const QIcon& icon() {
    if (!m_icon && m_style) {
      m_icon = m_style->standardIcon(m_which, m_option ? &*m_option : nullptr, m_widget);
    }
    if (!m_icon) m_icon.emplace();
    return *m_icon;
  }

  QPointer<QStyle> m_style;
  QStyle::StandardPixmap m_which;
  std::optional<QStyleOption> m_option;
  QPointer<const QWidget> m_widget;
  std::optional<QIcon> m_icon;
};

}  // namespace

DeferredIconStyle::DeferredIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                      const QWidget* widget) const {
  if (icon != SP_ToolBarHorizontalExtensionButton) {
    return QProxyStyle::standardIcon(icon, option, widget);
  }
  std::optional<QStyleOption> copy;
  if (option) copy = *option;
  return QIcon(new DeferredIconEngine(baseStyle(), icon, std::move(copy), widget));
}

}  // namespace orv::shell
