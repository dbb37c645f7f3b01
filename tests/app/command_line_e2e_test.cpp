// The built program's start-up log for real command lines.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/zav_run.h"

namespace {
// The lines from "getCmdArgs: begin" to the empty line after its end line.
QStringList cmdArgsBlock(const ZavRun& r) {
  const qsizetype b = r.log.indexOf("getCmdArgs: begin ---------------------------------");
  const qsizetype e = r.log.indexOf("getCmdArgs: end -----------------------------------");
  if (b < 0 || e < b || e + 1 >= r.log.size()) return {};
  return r.log.mid(b, e - b + 2);
}

QStringList summary(const QString& cwd, const QString& defDir, const QString& baseName, const QString& ifType,
                    const QString& comPort, const QString& comSetting, bool readIni, int errors) {
  return {"Current directory= '" + cwd + "'",
          "       defDirName= '" + defDir + "'",
          "      defBaseName= '" + baseName + "'",
          "               if= " + ifType,
          "          comPort= " + comPort,
          "          comBaud= ''",
          "       comSetting= '" + comSetting + "'",
          QString("          readINI= ") + (readIni ? "True" : "False"),
          "         showLogo= True",
          " number of errors: " + QString::number(errors),
          "getCmdArgs: end -----------------------------------",
          ""};
}

QStringList head(const QString& cwd, int upper) {
  return {"getCmdArgs: begin ---------------------------------", "Current directory= '" + cwd + "'",
          "from: 0  to: " + QString::number(upper)};
}

class CommandLineRun : public ::testing::Test {
 protected:
  QTemporaryDir m_dir;
  QString cwd() const { return QDir(m_dir.path()).canonicalPath(); }
  ZavRun run(const QStringList& args) {
    ZavRun r = runZavUntilStarted(args, cwd());
    EXPECT_TRUE(r.finished) << r.stdErr.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.stdErr.toStdString();
    return r;
  }
};
}  // namespace

TEST_F(CommandLineRun, EmptyCommandLine) {
  const ZavRun r = run({});
  EXPECT_EQ(cmdArgsBlock(r), head(cwd(), 0) + summary(cwd(), "", "", " 0", " 0", "", true, 0));
}

TEST_F(CommandLineRun, DebugKeyComPortInterfaceAndBaseName) {
  const ZavRun r = run({"-DEBUG=58214", "3", "-COM3:9600,n,8,1", "if=3", "-if=1", "foo.", "-noini"});
  const QStringList expected = head(cwd(), 7) +
                               QStringList{" 1= '-DEBUG=58214'",
                                           "debugMode set to: 3",
                                           " 3= '-COM3:9600,n,8,1'",
                                           "comport set to: 3",
                                           " 4= 'if=3'",
                                           "ERROR getCmdArgs: unknown command line option: (4) 'if=3'",
                                           " 5= '-if=1'",
                                           " 6= 'foo.'",
                                           "defBaseName set to: 'foo.'",
                                           " 7= '-noini'"} +
                               summary(cwd(), "", "foo.", " 1", " 3", "9600,n,8,1", false, 1);
  EXPECT_EQ(cmdArgsBlock(r), expected);
}

TEST_F(CommandLineRun, ComOptionsSortBelowCom9At9600) {
  const ZavRun r = run({"-com9:19200", "-com9:9601", "-com", "-comx", "-noini"});
  const QStringList expected =
      head(cwd(), 5) +
      QStringList{" 1= '-com9:19200'", "comport set to: 9",
                  " 2= '-com9:9601'",  "ERROR getCmdArgs: unknown command line option: (2) '-com9:9601'",
                  " 3= '-com'",        "ERROR getCmdArgs: unknown command line option: (3) '-com'",
                  " 4= '-comx'",       "ERROR getCmdArgs: unknown command line option: (4) '-comx'",
                  " 5= '-noini'"} +
      summary(cwd(), "", "", " 0", " 9", "19200", false, 3);
  EXPECT_EQ(cmdArgsBlock(r), expected);
}

// Without a folder on its command line the program keeps its data file and text
// log beside itself: under test that is a temporary folder, never the build folder.
TEST_F(CommandLineRun, ProgramRunByATestKeepsItsFilesOutOfTheBuildFolder) {
  const ZavRun r = run({"-com9:19200", "-noini"});
  const qsizetype open = r.log.indexOf("openOutZavDat:");
  ASSERT_GE(open, 0) << r.log.join('\n').toStdString();
  const QString file = r.log.value(open + 1);
  EXPECT_TRUE(file.startsWith("fileName=") && file.endsWith("/pwrData.ZAV")) << file.toStdString();
  EXPECT_FALSE(file.startsWith("fileName=" + QFileInfo(QStringLiteral(ZAV_BINARY)).absolutePath() + "/"))
      << file.toStdString();
}

TEST_F(CommandLineRun, OnlyTheFirstHundredTokensAreRead) {
  QStringList args{"-noini"};
  for (int i = 2; i <= 100; ++i) args << "-start";
  args << "token101";
  const ZavRun r = run(args);
  const QStringList block = cmdArgsBlock(r);
  ASSERT_EQ(block.size(), 3 + 100 + 12);
  EXPECT_EQ(block.mid(0, 3), head(cwd(), 100));
  EXPECT_EQ(block[3], " 1= '-noini'");
  EXPECT_EQ(block[102], " 100= '-start'");
  EXPECT_EQ(block.mid(103), summary(cwd(), "", "", " 0", " 0", "", false, 0));
  EXPECT_FALSE(r.log.join('\n').contains("token101"));
}

TEST_F(CommandLineRun, DirWithABlankChangesDirectoryAndDefDirName) {
  const QString target = cwd() + "/my data";
  ASSERT_TRUE(QDir().mkpath(target));
  const ZavRun r = run({"-dir", target, "-noini"});
  const QStringList expected =
      head(cwd(), 3) +
      QStringList{" 1= '-dir'", "current Directory set to: '" + target + "'", " 3= '-noini'"} +
      summary(target, target + "/", "", " 0", " 0", "", false, 0);
  EXPECT_EQ(cmdArgsBlock(r), expected);
}

TEST_F(CommandLineRun, RelativeDirIsMadeAbsolute) {
  ASSERT_TRUE(QDir(cwd()).mkpath("sub dir"));
  const ZavRun r = run({"-dir", "sub dir/", "-noini"});
  const QStringList block = cmdArgsBlock(r);
  EXPECT_TRUE(block.contains("current Directory set to: '" + cwd() + "/sub dir'"));
  EXPECT_TRUE(block.contains("       defDirName= '" + cwd() + "/sub dir/'"));
}

TEST_F(CommandLineRun, BadValuesAreReportedAndIgnored) {
  const ZavRun r = run({"-debug=58214", "99999", "-com70000", "-dir", cwd() + "/missing", "-debug=1", "2",
                        "\"\"", "", "-debug=58214", "-noini", "-DIR"});
  const QStringList block = cmdArgsBlock(r);
  const QStringList errors = block.filter(QRegularExpression("^ERROR "));
  EXPECT_EQ(errors,
            QStringList({"ERROR getCmdArgs: ERROR debug level out of range: '99999'",
                         "ERROR getCmdArgs: ERROR COM port out of range: '-com70000'",
                         "ERROR getCmdArgs: ERROR cannot change directory to: '" + cwd() + "/missing'",
                         "ERROR getCmdArgs: unknown command line option: (6) '-debug=1'",
                         "ERROR getCmdArgs: unknown command line option: (7) '2'",
                         "ERROR getCmdArgs: unknown command line option: (8) '\"\"'",
                         "ERROR getCmdArgs: unknown command line option: (9) ''"}));
  // The debug key before "-noini" takes it as its level (0); "-DIR" as the last token is ignored.
  EXPECT_TRUE(block.contains("debugMode set to: 0"));
  EXPECT_TRUE(block.contains("          readINI= True"));
  EXPECT_TRUE(block.contains("          comPort=  0"));
  EXPECT_TRUE(block.contains("       defDirName= ''"));
  EXPECT_TRUE(block.contains(" number of errors: 7"));
}
