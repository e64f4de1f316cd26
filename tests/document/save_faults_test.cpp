// A save that fails anywhere leaves the file as it was and no temporary file beside it; a save
// that is killed leaves the old file or the new one, whole. The failures are real ones: a full
// file system, a file-size limit, a file call failing in a preloaded library, SIGKILL.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>

#include "document/orvo_file.h"
#include "support/qt_printers.h"

namespace orv::document {
namespace {

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QStringList namesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

struct ProbeRun {
  int exitCode = -1;
  QString output;
};

ProbeRun runProbe(const QString& target, const QString& source, const QStringList& env,
                  const QString& fileSizeLimit = QString()) {
  QProcess probe;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const QString& kv : env) e.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
  probe.setProcessEnvironment(e);
  QStringList args{target, source};
  if (!fileSizeLimit.isEmpty()) args << fileSizeLimit;
  probe.start(QStringLiteral(ORV_SAVE_PROBE), args);
  EXPECT_TRUE(probe.waitForFinished(60000));
  EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << "the probe was ended by a signal";
  return {probe.exitCode(), QString::fromUtf8(probe.readAllStandardOutput()).trimmed()};
}

class SaveFaults : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
  // The new text in a file for the probe, and the bytes the saved score must then hold.
  QByteArray newText(const QByteArray& text) {
    put(source.filePath(QStringLiteral("text")), text);
    return text + "\r\n";
  }
  QString sourcePath() const { return source.filePath(QStringLiteral("text")); }

  QTemporaryDir dir;
  QTemporaryDir source;
};

TEST_F(SaveFaults, EveryFileCallFailingInTurnLeavesTheOldFileAndNoTemporary) {
  const QByteArray old = "old score\r\n";
  const QByteArray saved = newText("d4 e4 f4 g4\r\n[dms]2");
  const QString score = path("score.orv");
  const QString preload = QStringLiteral("LD_PRELOAD=") + QStringLiteral(ORV_FAIL_NTH_CALL);
  for (const bool existing : {true, false}) {
    // How many calls a save makes when none fails.
    if (existing) put(score, old);
    const ProbeRun clean = runProbe(score, sourcePath(), {preload});
    ASSERT_EQ(clean.exitCode, 0) << clean.output.toStdString();
    const int calls = clean.output.section(u' ', 1, 1).toInt();
    ASSERT_GE(calls, 6) << "the interposer does not see the save's calls";
    for (const int err : {ENOSPC, EIO}) {
      for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(::testing::Message() << (existing ? "existing" : "new") << " file, call " << n
                                          << " fails with " << strerrorname_np(err));
        QFile::remove(score);
        if (existing) put(score, old);
        const ProbeRun run = runProbe(score, sourcePath(),
                                      {preload, QStringLiteral("ORV_FAIL_CALL=%1").arg(n),
                                       QStringLiteral("ORV_FAIL_ERRNO=%1").arg(err)});
        // Some calls may fail without harm (closing a folder read for its sync); the save then
        // succeeds, and says so only with the new bytes in place.
        if (run.exitCode == 0) {
          EXPECT_EQ(contents(score), saved);
        } else {
          EXPECT_EQ(run.exitCode, 1);
          EXPECT_TRUE(run.output.contains(QString::fromLatin1(strerrorname_np(err))))
              << run.output.toStdString();
          EXPECT_EQ(contents(score), existing ? old : QByteArray("<absent>"));
        }
        EXPECT_EQ(namesIn(dir.path()), QStringList{QStringLiteral("score.orv")}.mid(
                                           0, existing || run.exitCode == 0 ? 1 : 0));
      }
    }
  }
}

TEST_F(SaveFaults, AFileSizeLimitFailsTheSaveWithoutEndingTheProgram) {
  const QString score = path("score.orv");
  put(score, "old\r\n");
  newText(QByteArray(5000, 'c'));
  const ProbeRun run = runProbe(score, sourcePath(), {}, QStringLiteral("1000"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.output.contains(QStringLiteral("EFBIG"))) << run.output.toStdString();
  EXPECT_EQ(contents(score), "old\r\n");
  EXPECT_EQ(namesIn(dir.path()), QStringList{QStringLiteral("score.orv")});
}

TEST_F(SaveFaults, AFullFileSystemFailsSmallAndLargeSaves) {
  const QByteArray mountPoint = QFile::encodeName(dir.path());
  if (mount("orv-test", mountPoint.constData(), "tmpfs", 0, "size=512k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
  }
  struct Unmount {
    QByteArray at;
    ~Unmount() { umount2(at.constData(), MNT_DETACH); }
  } unmount{mountPoint};

  const QString score = path("score.orv");
  const QByteArray old = QByteArray("d4 e4 f4 g4\r\n").repeated(240);  // about 3 KB
  put(score, old);
  {
    QFile filler(path("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
  }
  for (const qsizetype size : {3000, 300000}) {
    SCOPED_TRACE(size);
    const WriteResult result = writeDocumentFile(score, QString(size, u'a'));
    EXPECT_EQ(result.status, WriteResult::Status::WriteFailed);
    EXPECT_TRUE(result.reason.contains(QStringLiteral("ENOSPC"))) << result.reason.toStdString();
    EXPECT_EQ(contents(score), old);
    EXPECT_EQ(namesIn(dir.path()),
              QStringList({QStringLiteral("filler"), QStringLiteral("score.orv")}));
  }
}

TEST_F(SaveFaults, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFileWhole) {
  const QString score = path("score.orv");
  const QByteArray old = QByteArray("c4 d4 e4 f4\r\n").repeated(800000);  // 10 MB
  const QByteArray saved = newText(QByteArray("g8 a8 b8\r\n").repeated(1100000));
  put(score, old);
  QElapsedTimer clock;
  clock.start();
  ASSERT_EQ(runProbe(score, sourcePath(), {}).exitCode, 0);
  const qint64 wholeSave = clock.elapsed();

  std::mt19937 random(1301);
  int olds = 0;
  for (int round = 0; round < 20; ++round) {
    put(score, old);
    QProcess probe;
    probe.start(QStringLiteral(ORV_SAVE_PROBE), {score, sourcePath()});
    ASSERT_TRUE(probe.waitForStarted());
    // Spread from the start to a little past the time a whole save takes.
    QThread::msleep(random() % (wholeSave * 6 / 5 + 1));
    ::kill(static_cast<pid_t>(probe.processId()), SIGKILL);
    probe.waitForFinished();
    const QByteArray now = contents(score);
    EXPECT_TRUE(now == old || now == saved) << "round " << round << ": " << now.size() << " bytes";
    olds += now == old;
    // A killed save may leave its temporary file; it never stands in for the score.
    for (const QString& name : namesIn(dir.path()))
      if (name != QStringLiteral("score.orv")) QFile::remove(dir.filePath(name));
  }
  RecordProperty("killed_before_the_replace", olds);
}

// Root reads anything, so the reader runs in a child that has given up root.
TEST_F(SaveFaults, AFileThatExistsButCannotBeReadIsRefusedNotMissing) {
  const QString score = path("score.orv");
  put(score, "old\r\n");
  ASSERT_TRUE(QFile::setPermissions(score, QFileDevice::Permissions{}));
  ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
  const pid_t child = fork();
  if (child == 0) {
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(2);
    const ReadResult read = readDocumentFile(score);
    _exit(read.status == ReadResult::Status::Refused && read.reason.contains(u"EACCES") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace orv::document
