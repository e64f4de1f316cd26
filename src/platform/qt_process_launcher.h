#pragma once

#include <functional>
#include <map>

#include "platform/process_launcher.h"

namespace orv::platform {

// Starts each program detached from the editor, so that it outlives the editor's end, and learns
// of its end from the system (a process file descriptor, a process handle) rather than by
// polling. On Windows the program receives one command line: the program and its arguments,
// each in quotation marks unless it is a bare word such as an option.
class QtProcessLauncher final : public ProcessLauncher {
 public:
  QtProcessLauncher() = default;
  QtProcessLauncher(const QtProcessLauncher&) = delete;
  QtProcessLauncher& operator=(const QtProcessLauncher&) = delete;
  ~QtProcessLauncher() override;

  Started start(const QString& program, const QStringList& arguments) override;
  bool waitForEnd(ProcessId id, const QObject* owner) override;

 private:
  // Runs a nested event loop until the watch set up by `watch` calls the function it is given,
  // the program ends or `owner` goes; true when the watch saw the end.
  using Watch = std::function<void(const std::function<void()>& ended)>;
  static bool runUntilEnded(const QObject* owner, const Watch& watch);

  // What the system watches each process not yet waited for by: a process file descriptor (or a
  // mark saying there is none) on Linux, the process handle on Windows.
  std::map<ProcessId, qintptr> m_started;
};

}  // namespace orv::platform
