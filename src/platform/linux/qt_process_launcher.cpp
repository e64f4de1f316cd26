#include "platform/qt_process_launcher.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace orv::platform {

namespace {

constexpr int kWatchByPolling = -1;  // the kernel gave no process descriptor
constexpr int kAlreadyEnded = -2;
constexpr int kPollMilliseconds = 50;

// A descriptor that becomes readable when the process ends, for a process that is not our child.
int pidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

// Without a process descriptor: the process has ended once it is gone or a zombie.
bool endedByProc(QtProcessLauncher::ProcessId id) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(id));
  if (!stat.open(QIODevice::ReadOnly)) return true;
  const QByteArray line = stat.readAll();
  const qsizetype close = line.lastIndexOf(')');
  if (close < 0 || close + 2 >= line.size()) return true;
  const char state = line[close + 2];
  return state == 'Z' || state == 'X';
}

bool hasEnded(QtProcessLauncher::ProcessId id, int pidfd) {
  if (pidfd < 0) return endedByProc(id);
  pollfd p{pidfd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

}  // namespace

QtProcessLauncher::~QtProcessLauncher() {
  for (const auto& [id, fd] : m_started) {
    if (fd >= 0) ::close(static_cast<int>(fd));
  }
}

ProcessLauncher::Started QtProcessLauncher::start(const QString& program,
                                                  const QStringList& arguments) {
  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  qint64 pid = 0;
  if (!process.startDetached(&pid)) {
    return {std::nullopt, process.errorString()};
  }
  if (pid > 0) {
    const int fd = pidfdOpen(static_cast<pid_t>(pid));
    m_started[pid] = fd >= 0 ? fd : (errno == ESRCH ? kAlreadyEnded : kWatchByPolling);
  }
  return {pid, QString()};
}

bool QtProcessLauncher::waitForEnd(ProcessId id, const QObject* owner) {
  const auto found = m_started.find(id);
  if (found == m_started.end()) return true;
  const int fd = static_cast<int>(found->second);
  m_started.erase(found);
  if (fd == kAlreadyEnded) return true;
  const auto closeFd = qScopeGuard([fd] {
    if (fd >= 0) ::close(static_cast<int>(fd));
  });
  if (hasEnded(id, fd)) return true;

  std::unique_ptr<QSocketNotifier> notifier;
  std::unique_ptr<QTimer> poller;
  return runUntilEnded(owner, [&](const std::function<void()>& ended) {
    if (fd >= 0) {
      notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
      // The descriptor stays readable; a wait nested inside this one must not see it fire again.
      QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [&, ended] {
        notifier->setEnabled(false);
        ended();
      });
    } else {
      poller = std::make_unique<QTimer>();
      QObject::connect(poller.get(), &QTimer::timeout, poller.get(), [&, ended] {
        if (!endedByProc(id)) return;
        poller->stop();
        ended();
      });
      poller->start(kPollMilliseconds);
    }
  });
}

}  // namespace orv::platform
