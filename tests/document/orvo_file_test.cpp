#include "document/orvo_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

#include "platform/cp932.h"

namespace orv::document {
namespace {

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray("<cannot open>");
  return f.readAll();
}

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

class OrvoFile : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  QTemporaryDir dir;
};

TEST_F(OrvoFile, WritesTheTextAndOneCrLf) {
  struct Row {
    QString text;
    QByteArray bytes;
  };
  const Row rows[] = {
      {QStringLiteral("abc"), QByteArray("abc\r\n")},
      {QString(), QByteArray("\r\n")},
      {QStringLiteral("abc\r\n"), QByteArray("abc\r\n\r\n")},
      {QStringLiteral("和音"), QByteArray("\x98\x61\x89\xB9\r\n")},
      {QStringLiteral("┃d4\nr"), QByteArray("\x84\xAB"
                                            "d4\nr\r\n")},
  };
  for (const Row& row : rows) {
    const QString file = path(QStringLiteral("w.orv"));
    ASSERT_EQ(writeDocumentFile(file, row.text).status, WriteResult::Status::Written);
    EXPECT_EQ(bytesOf(file).toHex(' '), row.bytes.toHex(' ')) << row.text.toStdString();
  }
}

TEST_F(OrvoFile, ReadsLinesEndedByCrLfOrALoneCr) {
  struct Row {
    QByteArray bytes;
    QString text;
  };
  const Row rows[] = {
      {QByteArray("a\rb"), QStringLiteral("a\r\nb")},
      {QByteArray("a\nb\n"), QStringLiteral("a\nb\n")},  // a lone LF is part of the line
      {QByteArray("abc"), QStringLiteral("abc")},
      {QByteArray(), QString()},
      {QByteArray("\r\n"), QString()},
      {QByteArray("abc\r\n\r\n"), QStringLiteral("abc\r\n")},
      {QByteArray("a\r\r"), QStringLiteral("a\r\n")},
      {QByteArray("a\r\r\n"), QStringLiteral("a\r\n")},
      {QByteArray("\r\r\n\r"), QStringLiteral("\r\n\r\n")},
      {QByteArray("a\n\r\nb\r"), QStringLiteral("a\n\r\nb")},
      {QByteArray("\x98\x61\x89\xB9\r\x84\xAB"), QStringLiteral("和音\r\n┃")},
  };
  for (const Row& row : rows) {
    const QString file = path(QStringLiteral("r.orv"));
    put(file, row.bytes);
    const ReadResult result = readDocumentFile(file);
    ASSERT_EQ(result.status, ReadResult::Status::Read);
    EXPECT_EQ(result.document.text, row.text) << row.bytes.toHex(' ').toStdString();
    EXPECT_FALSE(result.document.invalidByteLine.has_value());
  }
}

// Every character some code page 932 sequence decodes to, CR and LF aside; these are exactly the
// characters that can come back from a file.
QList<QChar> representableCharacters() {
  QList<QChar> chars;
  for (int lead = 0; lead < 256; ++lead) {
    const QByteArray one(1, static_cast<char>(lead));
    const platform::cp932::Decoded single = platform::cp932::decode(one);
    if (!single.firstInvalidByte) {
      if (lead != '\r' && lead != '\n') chars.append(single.text.at(0));
      continue;
    }
    for (int trail = 0; trail < 256; ++trail) {
      const QByteArray two{one + QByteArray(1, static_cast<char>(trail))};
      const platform::cp932::Decoded pair = platform::cp932::decode(two);
      if (!pair.firstInvalidByte) chars.append(pair.text.at(0));
    }
  }
  return chars;
}

TEST_F(OrvoFile, AnyRepresentableTextWithCrLfBreaksSurvivesWriteThenRead) {
  const QList<QChar> chars = representableCharacters();
  ASSERT_GT(chars.size(), 9000);
  std::mt19937 random(20260);
  std::uniform_int_distribution<qsizetype> pick(0, chars.size() - 1);
  std::uniform_int_distribution<int> length(0, 60);
  std::uniform_int_distribution<int> kind(0, 19);
  const QString file = path(QStringLiteral("p.orv"));
  for (int round = 0; round < 3000; ++round) {
    QString text;
    for (int n = length(random); n > 0; --n) {
      const int k = kind(random);
      if (k == 0) {
        text += QStringLiteral("\r\n");
      } else if (k == 1) {
        text += u'\n';
      } else {
        text += chars.at(pick(random));
      }
    }
    ASSERT_EQ(writeDocumentFile(file, text).status, WriteResult::Status::Written);
    const ReadResult back = readDocumentFile(file);
    ASSERT_EQ(back.status, ReadResult::Status::Read);
    ASSERT_EQ(back.document.text, text) << "round " << round;
    ASSERT_FALSE(back.document.invalidByteLine.has_value());
  }
}

TEST_F(OrvoFile, InvalidBytesReadAsReplacementWithTheLineOfTheFirst) {
  struct Row {
    QByteArray bytes;
    QString text;
    qsizetype line;
  };
  const Row rows[] = {
      {QByteArray("\x81\x20\xFD"), QStringLiteral("\uFFFD \uFFFD"), 1},
      {QByteArray("a\r\nb\rc\nd\xFD\r\n\x80"), QStringLiteral("a\r\nb\r\nc\nd\uFFFD\r\n\uFFFD"), 3},
      {QByteArray("ok\r\n\x81"), QStringLiteral("ok\r\n\uFFFD"), 2},
  };
  for (const Row& row : rows) {
    const DecodedDocument decoded = decodeDocument(row.bytes);
    EXPECT_EQ(decoded.text, row.text);
    EXPECT_EQ(decoded.invalidByteLine, std::optional<qsizetype>(row.line));
  }
}

TEST(Locate, GivesLineColumnAndCodePointOfTheCharacter) {
  struct Row {
    QString text;
    qsizetype index;
    qsizetype line, column;
    char32_t codePoint;
  };
  const Row rows[] = {
      {QStringLiteral("©"), 0, 1, 1, 0xA9},
      {QStringLiteral("ab\r\ncdé"), 6, 2, 3, 0xE9},
      {QStringLiteral("\r\n\r\n©"), 4, 3, 1, 0xA9},
      {QStringLiteral("a\nb©"), 3, 1, 4, 0xA9},  // a lone LF is a character of its line
      {QStringLiteral("\U0001F3B5x\U0001F3B5"), 3, 1, 3, 0x1F3B5},
      {QStringLiteral("x\U0001F3B5"), 1, 1, 2, 0x1F3B5},
  };
  for (const Row& row : rows) {
    const Unencodable u = locate(row.text, row.index);
    EXPECT_EQ(u.line, row.line) << row.text.toStdString();
    EXPECT_EQ(u.column, row.column) << row.text.toStdString();
    EXPECT_EQ(u.codePoint, row.codePoint) << row.text.toStdString();
  }
}

class OrvoFileWriteFailure : public OrvoFile {
 protected:
  void SetUp() override {
    old = path(QStringLiteral("old.orv"));
    put(old, QByteArray("old\r\n"));
  }
  void expectOldFileUntouched() {
    EXPECT_EQ(bytesOf(old), QByteArray("old\r\n"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("old.orv")});
  }
  QString old;
};

TEST_F(OrvoFileWriteFailure, UnencodableTextWritesNothing) {
  // Also far into a text written in many pieces, and as the last character.
  const QString longLine = QString(100000, u'd');
  for (const QString& text : {QStringLiteral("d4\r\nr8©"), longLine + QStringLiteral("©"),
                              longLine + QStringLiteral("\U0001F3B5")}) {
    const WriteResult result = writeDocumentFile(old, text);
    EXPECT_EQ(result.status, WriteResult::Status::Unencodable);
    EXPECT_EQ(result.unencodableIndex, text.size() - (text.endsWith(u'©') ? 1 : 2));
    expectOldFileUntouched();
  }
}

TEST_F(OrvoFileWriteFailure, APathThatCannotBeWrittenIsReportedWithTheReason) {
  for (const QString& target : {old + QStringLiteral("/child.orv"), dir.path()}) {
    const WriteResult result = writeDocumentFile(target, QStringLiteral("new"));
    EXPECT_EQ(result.status, WriteResult::Status::WriteFailed) << target.toStdString();
    EXPECT_FALSE(result.reason.isEmpty());
    expectOldFileUntouched();
  }
}

TEST_F(OrvoFile, LongTextsAreWrittenWholeWhateverThePieceBoundaries) {
  // Surrogate pairs and CR LF pairs straddle every possible piece boundary somewhere here.
  QString text;
  for (int i = 0; text.size() < 200000; ++i) {
    text += (i % 3 == 0) ? QStringLiteral("和音\r\n") : QStringLiteral("d4 r8 ┃");
    if (i % 7 == 0) text += u'x';
  }
  const QString file = path(QStringLiteral("long.orv"));
  ASSERT_EQ(writeDocumentFile(file, text).status, WriteResult::Status::Written);
  EXPECT_EQ(bytesOf(file), platform::cp932::encode(text).bytes + "\r\n");

  const QString withPair = QString(32 * 1024 - 1, u'a') + QStringLiteral("\U0001F3B5");
  const WriteResult result = writeDocumentFile(file, withPair);
  EXPECT_EQ(result.status, WriteResult::Status::Unencodable);
  EXPECT_EQ(result.unencodableIndex, 32 * 1024 - 1);
}

}  // namespace
}  // namespace orv::document
