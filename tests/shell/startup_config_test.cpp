#include "shell/startup_config.h"

#include <QDir>

#include <gtest/gtest.h>

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

TEST(StartupConfig, KeepsTheLastFolderUnlessTheSystemRefusesToLookItUp) {
  for (const QString& kept : {QDir::tempPath(), u"/dev/null/below"_s})
    EXPECT_EQ(StartupConfig::probedFolder(kept), kept);
  EXPECT_EQ(StartupConfig::probedFolder(QDir::tempPath() + u"\0x"_s), QString());
}

}  // namespace
}  // namespace orv::shell
