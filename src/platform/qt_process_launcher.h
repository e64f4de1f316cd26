#pragma once

#include <map>

#include "platform/process_launcher.h"

namespace orv::platform {

// Starts each program detached from the editor, so that it outlives the editor's end, and learns
// of its end from the kernel (a process file descriptor) rather than by polling.
class QtProcessLauncher final : public ProcessLauncher {
 public:
  QtProcessLauncher() = default;
  QtProcessLauncher(const QtProcessLauncher&) = delete;
  QtProcessLauncher& operator=(const QtProcessLauncher&) = delete;
  ~QtProcessLauncher() override;

  Started start(const QString& program, const QStringList& arguments) override;
  bool waitForEnd(ProcessId id, const QObject* owner) override;

 private:
  // A process file descriptor, or one of the two marks below, for each process not yet waited for.
  std::map<ProcessId, int> m_started;
};

}  // namespace orv::platform
