#pragma once

#include <QString>

namespace orv::platform {

// The one modal file dialog, `CommonDialog1`. Callers set the public fields before a Show and
// read `FileName` and `InitDir` after a successful one.
class FileDialog {
 public:
  virtual ~FileDialog() = default;

  // Bits of `Flags`.
  static constexpr int kOverwritePrompt = 2;  // the save dialog asks before replacing a file
  static constexpr int kHideReadOnly = 4;     // no read-only option

  // "Description (*.ext)|*.ext": the text before the bar names the type, the pattern filters.
  QString Filter;
  int Flags = 0;
  QString InitDir;
  QString DialogTitle;
  // Full path of the chosen file, valid after a Show that returned true.
  QString FileName;

  // False when the user cancelled or the dialog failed.
  virtual bool ShowSave() = 0;
  virtual bool ShowOpen() = 0;
};

}  // namespace orv::platform
