#include "document/orvo_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "platform/cp932.h"

namespace orv::document {
namespace {

TEST(OrvoFile, ReadsAndWritesTheseBytes) {
  // The file, its text, whether writing the text gives exactly that file, and the line of the
  // first byte that is not code page 932 (0: none).
  const std::tuple<QByteArray, QString, bool, qsizetype> rows[] = {
      {"abc\r\n", QStringLiteral("abc"), true, 0},
      {"\r\n", QString(), true, 0},
      {"abc\r\n\r\n", QStringLiteral("abc\r\n"), true, 0},
      {"\x98\x61\x89\xB9\r\n", QStringLiteral("和音"), true, 0},
      {"\x84\xAB\nd4\r\n", QStringLiteral("┃\nd4"), true, 0},  // a lone LF is part of the line
      {"a\rb", QStringLiteral("a\r\nb"), false, 0},
      {"a\nb\n", QStringLiteral("a\nb\n"), false, 0},
      {"", QString(), false, 0},
      {"\r\r\n\r", QStringLiteral("\r\n\r\n"), false, 0},
      // The last byte starts a character that is cut off.
      {"a\r\nb\rc\nd\xFD\r\n\x81", QStringLiteral("a\r\nb\r\nc\nd\uFFFD\r\n\uFFFD"), false, 3},
  };
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("w.orv"));
  for (const auto& [file, text, written, invalidByteLine] : rows) {
    SCOPED_TRACE(file.toHex(' ').toStdString());
    const DecodedDocument read = decodeDocument(file);
    EXPECT_EQ(read.text, text);
    EXPECT_EQ(read.invalidByteLine.value_or(0), invalidByteLine);
    if (!written) continue;
    EXPECT_EQ(writeDocumentFile(path, text).status, WriteResult::Status::Written);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toHex(' '), file.toHex(' '));
  }
}

TEST(OrvoFile, AnyRepresentableTextSurvivesWriteThenRead) {
  std::mt19937 random(20260);
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("p.orv"));
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

}  // namespace
}  // namespace orv::document
