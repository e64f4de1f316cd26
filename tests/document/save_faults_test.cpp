// A save that fails anywhere leaves the file as it was and no temporary file beside it; a save
// that is killed leaves the old file or the new one, whole. The failures are real ones: a
// file-size limit, a file call failing in a preloaded library, SIGKILL (a full file system, which
// Windows meets too, is in orvo_file_test.cpp).

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "document/orvo_file.h"
#include "support/file_bytes.h"
#include "support/qt_printers.h"

namespace orv::document {
namespace {

using namespace Qt::StringLiterals;
using test::contents;
using test::put;

class SaveFaults : public ::testing::Test {
 protected:
  // Puts the new text where the probe reads it; returns the bytes a saved score then holds.
  QByteArray newText(const QByteArray& text) {
    EXPECT_TRUE(put(sourcePath, text));
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
  const QString score = dir.filePath(u"score.orv"_s);
  const QString sourcePath = source.filePath(u"text"_s);
  const QString preload = QStringLiteral("LD_PRELOAD=" ORV_FAIL_NTH_CALL);
};

// Every call of a save fails in turn. Only closing the folder, opened read-only for its sync, may
// fail without harm; any other failure must be reported, with the old file kept. Interrupted and
// short writes are no failure at all.
TEST_F(SaveFaults, EveryFileCallFailingInTurnIsReportedAndLeavesTheOldFile) {
  const QByteArray old = "old score\r\n";
  const QByteArray saved = newText("d4 e4 f4 g4\r\n[dms]2");
  for (const bool existing : {true, false}) {
    if (existing) put(score, old);
    const auto [cleanExit, clean] = probe({preload});  // how many calls a save makes
    ASSERT_EQ(cleanExit, 0) << clean.toStdString();
    const int calls = clean.section(u'|', 0, 0).section(u' ', 1).toInt();
    ASSERT_GE(calls, 7) << "the preloaded library does not see the save's calls";
    for (const int err : {ENOSPC, EIO}) {
      for (int n = 1; n <= calls; ++n) {
        QFile::remove(score);
        if (existing) put(score, old);
        const auto [exit, line] =
            probe({preload, u"ORV_FAIL_CALL=%1"_s.arg(n), u"ORV_FAIL_ERRNO=%1"_s.arg(err)});
        const QString failed = line.section(u'|', 1, 1);
        SCOPED_TRACE(::testing::Message()
                     << (existing ? "existing" : "new") << " file, call " << n << " ("
                     << failed.toStdString() << ") fails with " << strerrorname_np(err));
        const bool harmless = failed == u"close folder"_s;
        EXPECT_TRUE(harmless ? exit == 0
                             : exit == 1 && line.contains(QLatin1String(strerrorname_np(err))))
            << line.toStdString();
        EXPECT_EQ(contents(score), harmless ? saved : existing ? old : QByteArray("<absent>"));
        EXPECT_EQ(names().size(), existing || harmless ? 1 : 0) << names().join(u' ').toStdString();
      }
    }
  }
  const auto [exit, line] = probe({preload, u"ORV_FAIL_MODE=choppy"_s});
  EXPECT_EQ(exit, 0) << line.toStdString();
  EXPECT_EQ(contents(score), saved);
}

TEST_F(SaveFaults, AFileSizeLimitFailsTheSaveWithoutEndingTheProgram) {
  put(score, "old\r\n");
  newText(QByteArray(5000, 'c'));
  const auto [exit, line] = probe({}, {u"1000"_s});
  EXPECT_TRUE(exit == 1 && line.contains(u"EFBIG"_s)) << line.toStdString();
  EXPECT_EQ(contents(score), "old\r\n");
  EXPECT_EQ(names(), QStringList{u"score.orv"_s});
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
      if (name != u"score.orv"_s) QFile::remove(dir.filePath(name));
  }
}

// Runs `body` in a child that has given up root for `uid`:`gid`, member of `groups` too; true
// when the body answered true. Root may do anything, so rights are tested this way.
bool asUser(uid_t uid, gid_t gid, std::vector<gid_t> groups, const std::function<bool()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    const bool dropped = setgroups(groups.size(), groups.data()) == 0 &&
                         setresgid(gid, gid, gid) == 0 && setresuid(uid, uid, uid) == 0;
    _exit(dropped ? !body() : 2);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A score that exists but cannot be read is refused, not missing. A score shared by a group (root's
// file, group 100, 0664) saved by a member of the group keeps its group and mode; the owner cannot
// be kept. A folder that may be written but not read (a drop box) cannot be synced; the save of
// an existing file and of a new one goes on.
TEST_F(SaveFaults, OtherUsersAreRefusedOrServedAsTheirRightsAllow) {
  put(score, "old\r\n");
  const QByteArray name = QFile::encodeName(score), folder = QFile::encodeName(dir.path());
  ASSERT_TRUE(QFile::setPermissions(score, {}) && chmod(folder, 0755) == 0);
  EXPECT_TRUE(asUser(65534, 65534, {}, [&] {
    const ReadResult read = readDocumentFile(score);
    return read.status == ReadResult::Status::Refused && read.reason.contains(u"EACCES");
  }));
  ASSERT_TRUE(chmod(folder, 0777) == 0 && chown(name, 0, 100) == 0 && chmod(name, 0664) == 0);
  EXPECT_TRUE(asUser(1000, 1000, {100}, [&] {
    return writeDocumentFile(score, u"e4").status == WriteResult::Status::Written;
  }));
  struct stat st = {};
  ASSERT_EQ(stat(name, &st), 0);
  EXPECT_EQ(std::tuple(st.st_uid, st.st_gid, st.st_mode & 07777), std::tuple(1000U, 100U, 0664U));
  EXPECT_EQ(contents(score), "e4\r\n");
  ASSERT_EQ(chmod(folder, 0333), 0);
  for (const QString& path : {score, dir.filePath(u"new.orv"_s)}) {
    EXPECT_TRUE(asUser(65534, 65534, {}, [&] {
      return writeDocumentFile(path, u"c4 d4").status == WriteResult::Status::Written;
    })) << path.toStdString();
    EXPECT_EQ(contents(path), "c4 d4\r\n");
  }
  EXPECT_EQ(names().size(), 2) << names().join(u' ').toStdString();
}

}  // namespace
}  // namespace orv::document
