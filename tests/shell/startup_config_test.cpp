#include "shell/startup_config.h"

#include <gtest/gtest.h>

#include "shell/player_command_line.h"

namespace orv::shell {
namespace {

TEST(StartupConfig, TitleTextCarriesTheBuildVersion) {
  EXPECT_EQ(StartupConfig::titleText(), QStringLiteral("Orvo Editor Ver0.21β"));
}

TEST(StartupConfig, CommandLineIsOnePathWithOnePairOfQuotesRemoved) {
  const struct {
    QStringList arguments;
    QString path;
  } rows[] = {
      {{}, QString()},
      {{QString()}, QString()},
      {{QStringLiteral("/d/a.orv")}, QStringLiteral("/d/a.orv")},
      {{QStringLiteral("\"/d/a b.orv\"")}, QStringLiteral("/d/a b.orv")},
      {{QStringLiteral("/d/a b.orv")}, QStringLiteral("/d/a b.orv")},
      // Two paths, or a path a shell split at its blank: one path with the blank.
      {{QStringLiteral("/d/a.orv"), QStringLiteral("/d/b.orv")},
       QStringLiteral("/d/a.orv /d/b.orv")},
      {{QStringLiteral("\"/d/a"), QStringLiteral("b.orv\"")}, QStringLiteral("/d/a b.orv")},
      {{QStringLiteral("\"/d/a.orv")}, QStringLiteral("\"/d/a.orv")},
      {{QStringLiteral("/d/a.orv\"")}, QStringLiteral("/d/a.orv\"")},
      {{QStringLiteral("\"\"/d/a.orv\"\"")}, QStringLiteral("\"/d/a.orv\"")},
      {{QStringLiteral("\"")}, QString()},
      {{QStringLiteral("\"\"")}, QString()},
      {{QStringLiteral("\"a\"")}, QStringLiteral("a")},
      {{QStringLiteral("  /d/a.orv ")}, QStringLiteral("  /d/a.orv ")},
      {{QStringLiteral("/楽譜/曲.orv")}, QStringLiteral("/楽譜/曲.orv")},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(StartupConfig::commandLinePath(row.arguments), row.path)
        << row.arguments.join(u'|').toStdString();
  }
}

TEST(PlayerCommandLine, QuotesBothPathsAndEscapesNothing) {
  const struct {
    QString player, document, line;
  } rows[] = {
      {QStringLiteral("/opt/orvo"), QStringLiteral("/d/a.orv"),
       QStringLiteral("\"/opt/orvo\" \"/d/a.orv\" *P*E*X")},
      {QStringLiteral("/my apps/orvo"), QStringLiteral("/d/my song.orv"),
       QStringLiteral("\"/my apps/orvo\" \"/d/my song.orv\" *P*E*X")},
      {QStringLiteral("/a\"b"), QStringLiteral("/$(x);`y`\\"),
       QStringLiteral("\"/a\"b\" \"/$(x);`y`\\\" *P*E*X")},
      {QStringLiteral("/音/再生"), QStringLiteral("/曲.orv"),
       QStringLiteral("\"/音/再生\" \"/曲.orv\" *P*E*X")},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(playerCommandLine(row.player, row.document), row.line) << row.line.toStdString();
  }
}

}  // namespace
}  // namespace orv::shell
