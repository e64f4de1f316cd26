#pragma once

#include <QString>

namespace orv::shell {

// What the player is told after the document's path.
inline const QString kPlayerOptions = QStringLiteral("*P*E*X");

// The player's command line as the user is shown it: both paths in double quotation marks,
// nothing inside them escaped, then a blank and the options. The player itself is started from
// an argument list, never from this text.
QString playerCommandLine(const QString& PlayerPath, const QString& FilePath);

}  // namespace orv::shell
