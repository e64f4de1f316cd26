#pragma once

#include <QString>

namespace orv::platform {

// Modal message boxes. Codes and answers are the numbers the handlers test:
// code 0 shows OK alone and answers 1; code 51 shows Yes/No/Cancel with the exclamation icon,
// Yes the default, and answers 6, 7 or 2 (closing the box counts as Cancel).
class MessageBox {
 public:
  static constexpr int kOkOnly = 0;
  static constexpr int kYesNoCancelWarning = 51;
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kYes = 6;
  static constexpr int kNo = 7;

  virtual ~MessageBox() = default;
  // An empty title shows the application's title, "OrvEditor".
  virtual int show(const QString& text, int code = kOkOnly, const QString& title = QString()) = 0;
};

inline const QString kApplicationTitle = QStringLiteral("OrvEditor");

}  // namespace orv::platform
