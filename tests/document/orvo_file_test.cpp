#include "document/orvo_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#ifdef Q_OS_WIN
#include <windows.h>
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

#ifdef Q_OS_WIN
// Programs on Windows often hold a file open without letting it be deleted: such a score cannot
// be replaced, and the message must say that another program uses it.
TEST(OrvoFile, AScoreHeldOpenByAnotherProgramIsNotReplaced) {
  QTemporaryDir dir;
  const QString score = dir.filePath(u"score.orv"_s);
  ASSERT_EQ(writeDocumentFile(score, u"old").status, WriteResult::Status::Written);
  const HANDLE held = CreateFileW(QDir::toNativeSeparators(score).toStdWString().c_str(),
                                  GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  expectSaveFails(score, u"new", u"ERROR_SHARING_VIOLATION"_s);
  CloseHandle(held);
}
#endif

}  // namespace
}  // namespace orv::document
