#pragma once

// A PulseAudio server of the program's own with one null sink, so that audio is measured the
// same way on any machine and never reaches a speaker. Like a desktop's, it suspends the sink
// 5 s after the last stream stops asking for audio. This process's clients connect to it. Its
// sink's monitor, "bench.monitor", records what it plays.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

namespace orv::test {

class NullSinkServer {
 public:
  NullSinkServer() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start();
  }
  ~NullSinkServer() {
    m_server.terminate();
    m_server.waitForFinished(3000);
  }

  // A new server on the same socket, as after a restart; answers whether it runs.
  bool start() {
    // What a killed server left would look like a running one.
    QFile::remove(socket());
    using namespace Qt::StringLiterals;
    m_server.start(u"pulseaudio"_s,
                   {u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"-n"_s, u"--use-pid-file=no"_s,
                    u"--log-level=error"_s, u"--load=module-null-sink sink_name=bench"_s,
                    u"--load=module-suspend-on-idle"_s,
                    u"--load=module-native-protocol-unix auth-anonymous=1 socket="_s + socket()});
    m_running = false;
    for (int i = 0; i < 100 && m_server.state() != QProcess::NotRunning && !m_running; ++i) {
      m_running = QFile::exists(socket());
      if (!m_running) QThread::msleep(50);
    }
    if (m_running) qputenv("PULSE_SERVER", "unix:" + socket().toUtf8());
    return m_running;
  }

  // Ends the server as a crash would, leaving its socket behind.
  void kill() {
    m_server.kill();
    m_server.waitForFinished(3000);
    m_running = false;
  }

  bool running() const { return m_running; }

  // The server's own CPU time so far, in seconds: utime and stime, fields 14 and 15 of its stat
  // (its name, field 2, holds no blank).
  double cpuSeconds() const {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_server.processId()));
    const auto f = stat.open(QIODevice::ReadOnly) ? stat.readAll().split(' ') : QList<QByteArray>();
    return f.size() < 15 ? 0 : (f[13].toDouble() + f[14].toDouble()) / sysconf(_SC_CLK_TCK);
  }

 private:
  QString socket() const { return m_dir.filePath(QStringLiteral("native")); }

  QTemporaryDir m_dir;
  QProcess m_server;
  bool m_running = false;
};

}  // namespace orv::test
