#include "core/startup.h"

#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "support/headless_env.h"

TEST(SplitCommandLine, RawTextWithQuotesAndBlanks) {
  const QVector<QString> t = splitCommandLine(QString("  -dir \"C:/my data\"  \"\" -noini  "));
  EXPECT_EQ(t, QVector<QString>({"", "-dir", "C:/my data", "", "-noini"}));
  EXPECT_EQ(splitCommandLine(QString("")), QVector<QString>({""}));
  EXPECT_EQ(splitCommandLine(QString("a\tb")), QVector<QString>({"", "a\tb"}));
}

TEST(SplitCommandLine, StopsAtTheLimit) {
  QString text;
  QStringList args;
  for (int i = 1; i <= 101; ++i) {
    text += QString("t%1 ").arg(i);
    args << QString("t%1").arg(i);
  }
  const QVector<QString> fromText = splitCommandLine(text);
  ASSERT_EQ(fromText.size(), 101);
  EXPECT_EQ(fromText.last(), "t100");
  EXPECT_EQ(splitCommandLine(args), fromText);
  EXPECT_EQ(splitCommandLine(args, 3), QVector<QString>({"", "t1", "t2", "t3"}));
}

TEST(ApplicationTitle, ZavUnlessCalledFalvor) {
  EXPECT_EQ(applicationTitle("/usr/bin/zav"), "Zav");
  EXPECT_EQ(applicationTitle("/opt/x/FALVOR"), "Falvor");
  EXPECT_EQ(applicationTitle("/opt/x/falvor.bin"), "Falvor");
  EXPECT_EQ(applicationTitle("/opt/x/falvor2"), "Zav");
}

TEST(GetCmdArgs, TokensEndingInASlashSetDefDirNameWithoutChangingDirectory) {
  HeadlessLog log;
  const int16_t savedLevel = msgLevel;
  msgLevel = 3;
  StartValues start;
  setCommandLineArgs({"data\\", "-com12", "-nologo"});
  getCmdArgs(start);
  EXPECT_EQ(start.defDirName, "data/");
  EXPECT_EQ(start.comPort, 12);
  EXPECT_FALSE(showLogo);
  setCommandLineArgs({"/srv/zav/"});
  getCmdArgs(start);
  EXPECT_EQ(start.defDirName, "/srv/zav/");
  const QStringList lines = log.lines();
  EXPECT_TRUE(lines.contains("defDirName set to: 'data/'"));
  EXPECT_TRUE(lines.contains("comport set to: 12"));
  EXPECT_TRUE(lines.contains("         showLogo= False"));
  setCommandLineArgs({});
  msgLevel = savedLevel;
  showLogo = true;
}
