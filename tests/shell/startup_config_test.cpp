#include "shell/startup_config.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/file_bytes.h"

namespace orv::shell {
namespace {

using namespace Qt::StringLiterals;

TEST(StartupConfig, CommandLineIsOnePathWithOnePairOfQuotesRemoved) {
  const std::pair<QStringList, QString> rows[] = {
      {{}, {}},
      // A path a shell split at its blank: one path with the blank.
      {{u"\"/d/a"_s, u"b.orv\""_s}, u"/d/a b.orv"_s},
      {{u"\"\"/d/a.orv\"\""_s}, u"\"/d/a.orv\""_s},
      {{u"\""_s}, {}},
      {{u"  /d/a.orv "_s}, u"  /d/a.orv "_s},
  };
  for (const auto& [arguments, path] : rows)
    EXPECT_EQ(StartupConfig::commandLinePath(arguments), path)
        << arguments.join(u'|').toStdString();
}

// The system's copy of the INI file beside the program comes first, then that file, then the
// user's own; with none, the one beside the program.
TEST(StartupConfig, ReadsTheVirtualStoreCopyThenTheIniBesideTheProgramThenTheUsersOwn) {
  QTemporaryDir root;
  const QString app = root.filePath(u"Program Files (x86)/OrvFiler"_s);
  const QString store = root.filePath(u"VirtualStore"_s), own = root.filePath(u"config"_s);
  const QString copy = StartupConfig::virtualStoreCopy(app + u"/orvfiler.ini"_s, store);
  const QString beside = app + u"/orvfiler.ini"_s, ownIni = own + u"/orvfiler.ini"_s;
  EXPECT_EQ(copy, store +
                      QDir::fromNativeSeparators(app).remove(QRegularExpression(u"^[A-Za-z]:"_s)) +
                      u"/orvfiler.ini"_s);
  // The files that exist, and the one read.
  const std::pair<QStringList, QString> rows[] = {
      {{}, beside}, {{ownIni}, ownIni}, {{beside, ownIni}, beside}, {{copy, beside, ownIni}, copy}};
  for (const auto& [existing, read] : rows) {
    for (const QString& path : {copy, beside, ownIni}) QFile::remove(path);
    for (const QString& path : existing)
      ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()) && test::put(path, "[OrvFiler]"));
    EXPECT_EQ(StartupConfig::iniPath(app, own, store), read);
  }
  EXPECT_EQ(StartupConfig::iniPath(app, own), beside);  // no copies where the system keeps none
  EXPECT_EQ(StartupConfig::virtualStoreCopy(u"//server/share/orvfiler.ini"_s, store), QString());
}

}  // namespace
}  // namespace orv::shell
