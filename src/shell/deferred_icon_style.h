#pragma once

#include <QProxyStyle>

namespace orv::shell {

// The application's style with one icon made late: the arrow of the menu bar's overflow button,
// which every menu bar asks for as it is made and draws only when its menus do not fit. Made at
// once it costs some 2 ms of a start: the toolkit reads its three pictures, and before its own
// PNG reader it loads every picture-format plugin to ask whether one of them reads PNG. Here it is
// made from the wrapped style the first time it is drawn or measured, exactly as that style draws
// it. Every other call goes to the wrapped style unchanged.
class DeferredIconStyle final : public QProxyStyle {
 public:
  // Wraps `base` (taking it), or the style the toolkit would have chosen when it is null.
  explicit DeferredIconStyle(QStyle* base = nullptr);

  QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                     const QWidget* widget) const override;
};

}  // namespace orv::shell
