#pragma once

// A PulseAudio server of the program's own with one null sink, so that audio is measured the
// same way on any machine and never reaches a speaker. Like a desktop's, it suspends the sink
// 5 s after the last stream stops asking for audio. This process's clients connect to it.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <fstream>
#include <string>

#include <unistd.h>

namespace orv::test {

class NullSinkServer {
 public:
  NullSinkServer() {
    const QString socket = m_dir.filePath(QStringLiteral("native"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
         QStringLiteral("-n"), QStringLiteral("--use-pid-file=no"),
         QStringLiteral("--log-level=error"),
         QStringLiteral("--load=module-null-sink sink_name=bench"),
         QStringLiteral("--load=module-suspend-on-idle"),
         QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket});
    for (int i = 0; i < 100 && m_server.state() != QProcess::NotRunning; ++i) {
      if (QFile::exists(socket)) {
        qputenv("PULSE_SERVER", QByteArrayLiteral("unix:") + socket.toUtf8());
        m_running = true;
        return;
      }
      QThread::msleep(50);
    }
  }
  ~NullSinkServer() {
    m_server.terminate();
    m_server.waitForFinished(3000);
  }
  NullSinkServer(const NullSinkServer&) = delete;
  NullSinkServer& operator=(const NullSinkServer&) = delete;

  bool running() const { return m_running; }

  // The server's own CPU time so far, in seconds.
  double cpuSeconds() const {
    std::ifstream stat("/proc/" + std::to_string(m_server.processId()) + "/stat");
    std::string field;
    unsigned long long ticks = 0;
    // utime and stime are fields 14 and 15; the command name (field 2) holds no blank here.
    for (int i = 1; i <= 15 && stat >> field; ++i) {
      if (i >= 14) ticks += std::stoull(field);
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }

 private:
  QTemporaryDir m_dir;
  QProcess m_server;
  bool m_running = false;
};

}  // namespace orv::test
