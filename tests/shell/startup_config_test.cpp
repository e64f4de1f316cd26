#include "shell/startup_config.h"

#include <QDir>

#include <gtest/gtest.h>

namespace orv::shell {
namespace {

using namespace Qt::StringLiterals;

TEST(StartupConfig, CommandLineIsOnePathWithOnePairOfQuotesRemoved) {
  const std::pair<QStringList, QString> rows[] = {
      {{}, {}},
      {{u"\"/d/a b.orv\""_s}, u"/d/a b.orv"_s},
      // Two paths, or a path a shell split at its blank: one path with the blank.
      {{u"/d/a.orv"_s, u"/d/b.orv"_s}, u"/d/a.orv /d/b.orv"_s},
      {{u"\"/d/a"_s, u"b.orv\""_s}, u"/d/a b.orv"_s},
      {{u"\"\"/d/a.orv\"\""_s}, u"\"/d/a.orv\""_s},
      {{u"\""_s}, {}},
      {{u"  /d/a.orv "_s}, u"  /d/a.orv "_s},
  };
  for (const auto& [arguments, path] : rows) {
    EXPECT_EQ(StartupConfig::commandLinePath(arguments), path)
        << arguments.join(u'|').toStdString();
  }
}

TEST(StartupConfig, KeepsTheLastFolderUnlessTheSystemRefusesToLookItUp) {
  const QString tmp = QDir::tempPath();
  for (const QString& kept : {tmp, u"/no/such/folder"_s, u"/dev/null/below"_s}) {
    EXPECT_EQ(StartupConfig::probedFolder(kept), kept);
  }
  for (const QString& refused : {tmp + QChar(u'\0') + u"x"_s, tmp + u'/' + QString(256, u'n')}) {
    EXPECT_EQ(StartupConfig::probedFolder(refused), QString()) << refused.size();
  }
}

}  // namespace
}  // namespace orv::shell
