#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QObject;

namespace orv::platform {

// Starts programs from an argument list (never through a shell) and waits for them while the
// window keeps handling its events.
class ProcessLauncher {
 public:
  using ProcessId = std::int64_t;

  struct Started {
    std::optional<ProcessId> id;  // empty when the program could not be started
    QString error;                // the system's reason when it could not
  };

  virtual ~ProcessLauncher() = default;
  virtual Started start(const QString& program, const QStringList& arguments) = 0;
  // Returns when the process has ended, running a nested event loop meanwhile: true then, and at
  // once for a process it does not know. Returns false when it gives the wait up because the
  // program is ending or `owner` (when given) was destroyed; the process goes on running.
  virtual bool waitForEnd(ProcessId id, const QObject* owner) = 0;
};

}  // namespace orv::platform
