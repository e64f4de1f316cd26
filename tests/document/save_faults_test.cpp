// A save that fails anywhere leaves the file as it was and no temporary file beside it; a save
// that is killed leaves the old file or the new one, whole. The failures are real ones: a full
// file system, a file-size limit, a file call failing in a preloaded library, SIGKILL.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
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

class SaveFaults : public ::testing::Test {
 protected:
  // Puts the new text where the probe reads it; returns the bytes a saved score then holds.
  QByteArray newText(const QByteArray& text) {
    put(sourcePath, text);
    return text + "\r\n";
  }
  // Saves the new text over the score in a process of its own: (exit code, printed line).
  std::pair<int, QString> probe(const QStringList& env = {}, const QStringList& extra = {}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : env) e.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(ORV_SAVE_PROBE), QStringList{score, sourcePath} + extra);
    EXPECT_TRUE(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed()};
  }
  // The files in the score's folder, temporary ones included.
  QStringList names() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir, source;
  const QString score = dir.filePath(QStringLiteral("score.orv"));
  const QString sourcePath = source.filePath(QStringLiteral("text"));
};

TEST_F(SaveFaults, EveryFileCallFailingInTurnLeavesTheOldFileAndNoTemporary) {
  const QByteArray old = "old score\r\n";
  const QByteArray saved = newText("d4 e4 f4 g4\r\n[dms]2");
  const QString preload = QStringLiteral("LD_PRELOAD=" ORV_FAIL_NTH_CALL);
  for (const bool existing : {true, false}) {
    if (existing) put(score, old);
    const auto [cleanExit, clean] = probe({preload});  // how many calls a save makes
    ASSERT_EQ(cleanExit, 0) << clean.toStdString();
    const int calls = clean.section(u' ', 1, 1).toInt();
    ASSERT_GE(calls, 6) << "the preloaded library does not see the save's calls";
    for (const int err : {ENOSPC, EIO}) {
      for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(::testing::Message() << (existing ? "existing" : "new") << " file, call " << n
                                          << " fails with " << strerrorname_np(err));
        QFile::remove(score);
        if (existing) put(score, old);
        const auto [exit, line] = probe({preload, QStringLiteral("ORV_FAIL_CALL=%1").arg(n),
                                         QStringLiteral("ORV_FAIL_ERRNO=%1").arg(err)});
        // A call may fail without harm (closing a folder opened for its sync): the save then
        // succeeds, with the new bytes in place.
        const bool written = exit == 0;
        if (!written) {
          EXPECT_EQ(exit, 1);
          EXPECT_TRUE(line.contains(QLatin1String(strerrorname_np(err)))) << line.toStdString();
        }
        EXPECT_EQ(contents(score), written ? saved : existing ? old : QByteArray("<absent>"));
        EXPECT_EQ(names().size(), existing || written ? 1 : 0) << names().join(u' ').toStdString();
      }
    }
  }
}

TEST_F(SaveFaults, AFileSizeLimitFailsTheSaveWithoutEndingTheProgram) {
  put(score, "old\r\n");
  newText(QByteArray(5000, 'c'));
  const auto [exit, line] = probe({}, {QStringLiteral("1000")});
  EXPECT_EQ(exit, 1);
  EXPECT_TRUE(line.contains(QStringLiteral("EFBIG"))) << line.toStdString();
  EXPECT_EQ(contents(score), "old\r\n");
  EXPECT_EQ(names(), QStringList{QStringLiteral("score.orv")});
}

TEST_F(SaveFaults, AFullFileSystemFailsSmallAndLargeSaves) {
  const QByteArray mountPoint = QFile::encodeName(dir.path());
  if (mount("orv-test", mountPoint.constData(), "tmpfs", 0, "size=512k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
  }
  const auto unmount = qScopeGuard([&] { umount2(mountPoint.constData(), MNT_DETACH); });
  const QByteArray old = QByteArray("d4 e4 f4 g4\r\n").repeated(240);  // about 3 KB
  put(score, old);
  QFile filler(dir.filePath(QStringLiteral("filler")));
  ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
  while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
  }
  for (const qsizetype size : {3000, 300000}) {
    const WriteResult result = writeDocumentFile(score, QString(size, u'a'));
    EXPECT_EQ(result.status, WriteResult::Status::WriteFailed) << size;
    EXPECT_TRUE(result.reason.contains(QStringLiteral("ENOSPC"))) << result.reason.toStdString();
    EXPECT_EQ(contents(score), old);
    EXPECT_EQ(names(), QStringList({QStringLiteral("filler"), QStringLiteral("score.orv")}));
  }
}

TEST_F(SaveFaults, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFileWhole) {
  const QByteArray old = QByteArray("c4 d4 e4 f4\r\n").repeated(800000);  // 10 MB
  const QByteArray saved = newText(QByteArray("g8 a8 b8\r\n").repeated(1100000));
  QElapsedTimer clock;
  clock.start();
  ASSERT_EQ(probe().first, 0);
  const qint64 wholeSave = clock.elapsed();
  std::mt19937 random(1301);
  for (int round = 0; round < 20; ++round) {
    put(score, old);
    QProcess p;
    p.start(QStringLiteral(ORV_SAVE_PROBE), {score, sourcePath});
    ASSERT_TRUE(p.waitForStarted());
    // From the start to a little past the time a whole save takes.
    QThread::msleep(random() % (wholeSave * 6 / 5 + 1));
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished();
    const QByteArray now = contents(score);
    EXPECT_TRUE(now == old || now == saved) << "round " << round << ": " << now.size() << " bytes";
    // A killed save may leave its temporary file behind; it never stands in for the score.
    for (const QString& name : names())
      if (name != QStringLiteral("score.orv")) QFile::remove(dir.filePath(name));
  }
}

// Root reads anything, so the reader runs in a child that has given up root.
TEST_F(SaveFaults, AFileThatExistsButCannotBeReadIsRefusedNotMissing) {
  put(score, "old\r\n");
  ASSERT_TRUE(QFile::setPermissions(score, {}) && chmod(QFile::encodeName(dir.path()), 0755) == 0);
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
