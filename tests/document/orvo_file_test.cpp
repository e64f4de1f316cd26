#include "document/orvo_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#ifdef Q_OS_WIN
#include <windows.h>

#include "support/import_patch.h"
#else
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#endif

#include "platform/cp932.h"
#include "support/file_bytes.h"

namespace orv::document {
namespace {

using namespace Qt::StringLiterals;
using test::contents;

TEST(OrvoFile, ReadsAndWritesTheseBytes) {
  // The file, its text, whether writing the text gives exactly that file, and the line of the
  // first byte that is not code page 932 (0: none).
  const std::tuple<QByteArray, QString, bool, qsizetype> rows[] = {
      {"abc\r\n", u"abc"_s, true, 0},
      {"\r\n", QString(), true, 0},
      {"abc\r\n\r\n", u"abc\r\n"_s, true, 0},
      {"\x98\x61\x89\xB9\r\n", u"和音"_s, true, 0},
      {"\x84\xAB\nd4\r\n", u"┃\nd4"_s, true, 0},  // a lone LF is part of the line
      {"a\rb", u"a\r\nb"_s, false, 0},
      {"a\nb\n", u"a\nb\n"_s, false, 0},
      {"", QString(), false, 0},
      {"\r\r\n\r", u"\r\n\r\n"_s, false, 0},
      // The file's last line end closes the line; a CR before it ends a line of its own.
      {"a\r\r", u"a\r\n"_s, false, 0},
      {"\r\r", u"\r\n"_s, false, 0},
      // The last byte starts a character that is cut off.
      {"a\r\nb\rc\nd\xFD\r\n\x81", u"a\r\nb\r\nc\nd\uFFFD\r\n\uFFFD"_s, false, 3},
  };
  QTemporaryDir dir;
  const QString path = dir.filePath(u"w.orv"_s);
  for (const auto& [file, text, written, invalidByteLine] : rows) {
    SCOPED_TRACE(file.toHex(' ').toStdString());
    const DecodedDocument read = decodeDocument(file);
    EXPECT_EQ(std::tuple(read.text, read.invalidByteLine.value_or(0)),
              std::tuple(text, invalidByteLine));
    if (!written) continue;
    EXPECT_EQ(writeDocumentFile(path, text).status, WriteResult::Status::Written);
    EXPECT_EQ(contents(path).toHex(' '), file.toHex(' '));
  }
}

TEST(OrvoFile, AnyRepresentableTextSurvivesWriteThenRead) {
  std::mt19937 random(20260);
  QTemporaryDir dir;
  const QString file = dir.filePath(u"p.orv"_s);
  for (int round = 0; round < 300; ++round) {
    // Characters code page 932 reads from random byte pairs, and CR LF; the first text is long
    // enough to be written in several pieces.
    QString text;
    for (int n = round ? random() % 60 : 100000; n > 0; --n) {
      const auto c = platform::cp932::decode(QByteArray(1, char(random())) + char(random()));
      if (random() % 8 == 0) text += u"\r\n";
      if (!c.firstInvalidByte && !c.text.contains(u'\r')) text += c.text;
    }
    ASSERT_EQ(writeDocumentFile(file, text).status, WriteResult::Status::Written);
    ASSERT_EQ(readDocumentFile(file).document.text, text) << "round " << round;
  }
}

// Saving `text` over `score` fails with a reason that matches `reason`, and leaves the score
// byte for byte and its folder as they were: no temporary file stays behind.
void expectSaveFails(const QString& score, QStringView text, const QString& reason) {
  const QDir folder = QFileInfo(score).dir();
  const QStringList names = folder.entryList(QDir::Files | QDir::Hidden);
  const QByteArray old = contents(score);
  const WriteResult result = writeDocumentFile(score, text);
  EXPECT_EQ(result.status, WriteResult::Status::WriteFailed) << text.size();
  EXPECT_TRUE(result.reason.contains(QRegularExpression(reason))) << result.reason.toStdString();
  EXPECT_EQ(contents(score), old);
  EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden), names);
}

// On Linux the full file system is a small tmpfs mounted here (root only). Wine cannot mount one,
// so the Windows test run maps such a tmpfs as a drive and names it in ORV_FULL_DISK.
TEST(OrvoFile, AFullDiskFailsSmallAndLargeSaves) {
#ifdef Q_OS_WIN
  const QString drive = qEnvironmentVariable("ORV_FULL_DISK");
  if (drive.isEmpty() || !QFileInfo::exists(drive))
    GTEST_SKIP() << "no small drive at ORV_FULL_DISK: the test run maps one where it may mount";
  QTemporaryDir dir(drive + u"/orv-XXXXXX"_s);
  ASSERT_TRUE(dir.isValid()) << dir.errorString().toStdString();
#else
  QTemporaryDir dir;
  const QByteArray mountPoint = QFile::encodeName(dir.path());
  if (mount("orv-test", mountPoint.constData(), "tmpfs", 0, "size=512k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
  const auto unmount = qScopeGuard([&] { umount2(mountPoint.constData(), MNT_DETACH); });
#endif
  const QString score = dir.filePath(u"score.orv"_s);
  ASSERT_EQ(writeDocumentFile(score, QString(3000, u'd')).status, WriteResult::Status::Written);
  QFile filler(dir.filePath(u"filler"_s));
  ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
  constexpr qint64 kSmall = 16 << 20;  // more would go to a disk that is not the small one
  qint64 filled = 0;
  while (filled < kSmall && filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush())
    filled += 4096;
  ASSERT_LT(filled, kSmall);
  for (const qsizetype size : {3000, 300000})
    expectSaveFails(score, QString(size, u'a'), u"ENOSPC|ERROR_(HANDLE_)?DISK_FULL"_s);
}

// A name near the limit, a path past the old 260-character limit, and a relative path with "..":
// each saves, and saves again over itself. On Linux also names of the file system's full 255
// bytes, and a link, even one whose file does not exist yet, saved through to the file it names.
TEST(OrvoFile, SavesUnderLongNamesLongPathsRelativePathsAndLinks) {
  QTemporaryDir dir;
  QString deep = dir.path();
  while (deep.size() < 240) deep += u"/a-folder-deep-down"_s;
  ASSERT_TRUE(QDir().mkpath(deep));
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()) && QDir().mkdir(u"sub"_s));
  const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
  std::vector<std::pair<QString, QString>> rows = {
      {dir.filePath(QString(246, u'n') + u".orv"_s), {}},
      {deep + u"/score.orv"_s, {}},
      {u"sub/../relative.orv"_s, dir.filePath(u"relative.orv"_s)},
  };
#ifndef Q_OS_WIN
  const QString link = dir.filePath(u"link.orv"_s);
  ASSERT_TRUE(QFile::link(u"sub/real.orv"_s, link));
  rows.insert(rows.end(), {{dir.filePath(QString(80, u'和') + u".orv"_s), {}},  // 244 bytes
                           {dir.filePath(QString(251, u'x') + u".orv"_s), {}},  // 255 bytes
                           {link, dir.filePath(u"sub/real.orv"_s)}});
#endif
  for (const auto& [path, lands] : rows) {
    SCOPED_TRACE(path.toStdString());
    for (const QString& text : {u"d4"_s, u"m8"_s}) {
      const WriteResult written = writeDocumentFile(path, text);
      EXPECT_EQ(written.status, WriteResult::Status::Written) << written.reason.toStdString();
      EXPECT_EQ(contents(lands.isEmpty() ? path : lands), text.toLatin1() + "\r\n");
    }
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
            qsizetype(rows.size()) - 1);
#ifndef Q_OS_WIN
  EXPECT_TRUE(QFileInfo(link).isSymLink());
#endif
}

#ifdef Q_OS_WIN
std::wstring native(const QString& path) {
  return QDir::toNativeSeparators(path).toStdWString();
}

// A score holding "old" in a folder of its own.
struct Score {
  QTemporaryDir dir;
  QString path = dir.filePath(u"score.orv"_s);
  Score() { EXPECT_EQ(writeDocumentFile(path, u"old").status, WriteResult::Status::Written); }
};

// Programs on Windows often hold a file open without letting it be deleted: such a score cannot
// be replaced, and the message must say that another program uses it.
TEST(OrvoFile, AScoreHeldOpenByAnotherProgramIsNotReplaced) {
  const Score score;
  const HANDLE held =
      CreateFileW(native(score.path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  expectSaveFails(score.path, u"new", u"ほかのプログラム.*ERROR_(SHARING|ACCESS)_"_s);
  CloseHandle(held);
}

// A failing disk, a busy file and a file system without the newer rename, made to happen: the
// test program's calls into the system are replaced for a while.
struct Failing {
  static inline int refusals = 0;
  static inline bool lacksPosixRename = false;
  static inline decltype(&SetFileInformationByHandle) setInformation = nullptr;
  static BOOL WINAPI setInfo(HANDLE h, FILE_INFO_BY_HANDLE_CLASS c, LPVOID info, DWORD size) {
    const bool posix = c == static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    if ((posix && lacksPosixRename) || ((posix || c == FileRenameInfo) && refusals-- > 0)) {
      SetLastError(posix && lacksPosixRename ? ERROR_INVALID_PARAMETER : ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    return setInformation(h, c, info, size);
  }
};

TEST(OrvoFile, AFailedFlushFailsTheSaveAndARefusedRenameIsTriedForASecond) {
  const Score score;
  {
    const test::ImportPatch flush("FlushFileBuffers", reinterpret_cast<void*>(+[](HANDLE) -> BOOL {
                                    SetLastError(ERROR_IO_DEVICE);
                                    return FALSE;
                                  }));
    ASSERT_TRUE(flush.applied());
    expectSaveFails(score.path, u"new", u"ERROR_IO_DEVICE"_s);
  }
  const test::ImportPatch rename("SetFileInformationByHandle",
                                 reinterpret_cast<void*>(&Failing::setInfo));
  ASSERT_TRUE(rename.applied());
  Failing::setInformation = rename.original<decltype(&SetFileInformationByHandle)>();
  // Refusals before the rename goes through, whether the file system lacks the newer rename.
  for (const auto& [refusals, lacks] : {std::pair{3, false}, {2, true}, {0, true}}) {
    std::tie(Failing::refusals, Failing::lacksPosixRename) = std::pair(refusals, lacks);
    const QString text = u"d%1"_s.arg(refusals);
    EXPECT_EQ(writeDocumentFile(score.path, text).status, WriteResult::Status::Written);
    EXPECT_EQ(contents(score.path), text.toLatin1() + "\r\n");
  }
  Failing::refusals = 1000;
  expectSaveFails(score.path, u"new", u"ほかのプログラム.*ERROR_SHARING_VIOLATION"_s);
  EXPECT_GT(Failing::refusals, 900) << "tried for about a second, not a thousand times";
  std::tie(Failing::refusals, Failing::lacksPosixRename) = std::pair(0, false);
}

// The saved score is what the old one was: its marks (hidden, system, not indexed), its creation
// time; not the temporary file's hidden mark, and marked for the next backup. A read-only score
// is refused before anything is written.
TEST(OrvoFile, ASavedScoreKeepsWhatTheOldOneWasButIsNeverLeftHidden) {
  const Score score;
  const std::wstring path = native(score.path);
  EXPECT_EQ(GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
            DWORD{FILE_ATTRIBUTE_ARCHIVE});
  constexpr DWORD kMarks =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), kMarks));
  const DWORD marks = GetFileAttributesW(path.c_str()) & kMarks;  // what this file system keeps
  const HANDLE h =
      CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const FILETIME y2001{0xC89DC000, 0x01C07385};
  ASSERT_TRUE(SetFileTime(h, &y2001, nullptr, nullptr));
  CloseHandle(h);
  WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &before);
  ASSERT_EQ(writeDocumentFile(score.path, u"saved").status, WriteResult::Status::Written);
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &after);
  EXPECT_EQ(after.dwFileAttributes & (kMarks | FILE_ATTRIBUTE_ARCHIVE),
            marks | FILE_ATTRIBUTE_ARCHIVE);
  // Wine keeps no creation time of its own on Linux file systems: there it is not compared.
  if (CompareFileTime(&before.ftCreationTime, &y2001) == 0) {
    EXPECT_EQ(CompareFileTime(&after.ftCreationTime, &y2001), 0);
  }
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  expectSaveFails(score.path, u"other", u"読み取り専用.*FILE_ATTRIBUTE_READONLY"_s);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

}  // namespace
}  // namespace orv::document
