// The setup window's part of start-up in the built program: factory defaults,
// the INI file unless "-noini", and the web server when asked for.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/link_processes.h"
#include "support/zav_run.h"

namespace {
bool has(const ZavRun& r, const QString& line) { return r.log.contains(line); }
bool hasPart(const ZavRun& r, const QString& part) {
  for (const QString& l : r.log)
    if (l.contains(part)) return true;
  return false;
}
}  // namespace

TEST(SettingsStartup, IniFileIsReadFromTheDefaultDirectory) {
  QTemporaryDir dir;
  const QString defDir = dir.path() + '/';
  writeTextFile(defDir + "zav.INI", "startOnLine=0\r\nrunWebServer=0\r\nplotWidth=640\r\nComPort=3\r\n");
  const ZavRun r = runZavUntilStarted({defDir});
  ASSERT_TRUE(r.finished) << qPrintable(r.stdErr);
  EXPECT_TRUE(has(r, "loadINIfile: loading '" + defDir + "zav.INI'"));
  EXPECT_TRUE(has(r, "[003]: plotWidth=640"));
  EXPECT_TRUE(has(r, "ERROR [004]  ERROR 8: 'ComPort=3'"));
  EXPECT_TRUE(has(r, "      nr of lines read :4"));
  EXPECT_TRUE(has(r, "          nr of errors :1"));
  EXPECT_FALSE(hasPart(r, "startWebServer"));
  // The quit seam closes the main window as a user would: the exit question is asked, answered OK.
  EXPECT_EQ(r.log.last(), "MSGBOX: Zav: exit program?");
  EXPECT_EQ(r.exitCode, 0);
}

TEST(SettingsStartup, AHealthyStartLogsNoErrorsAndTheStoredOptionsAsDetails) {
  QTemporaryDir dir;
  const QString defDir = dir.path() + '/';
  writeTextFile(defDir + "zav.INI", "startOnLine=0\r\nrunWebServer=0\r\nmsgLevel=4\r\n");
  const ZavRun r = runZavUntilStarted({defDir});
  ASSERT_TRUE(r.finished) << qPrintable(r.stdErr);
  EXPECT_EQ(r.log.filter(QRegularExpression("^ERROR")), QStringList());
  EXPECT_TRUE(has(r, "setOptionValue: skip records (integrate)=2  destVariable=2"));
  EXPECT_TRUE(hasPart(r, "setCheckedBits: "));
}

TEST(SettingsStartup, NoIniInAnyCaseKeepsTheFactoryDefaultsAndStartsTheServer) {
  QTemporaryDir dir;
  const QString defDir = dir.path() + '/';
  writeTextFile(defDir + "zav.INI", "runWebServer=0\r\n");
  const ZavRun r = runZavUntilStarted({defDir, "-NoIni"});
  ASSERT_TRUE(r.finished) << qPrintable(r.stdErr);
  EXPECT_FALSE(hasPart(r, "loadINIfile"));
  // Factory defaults tick "Start with Web Server": port 80 over the shipped web root, or a clear
  // failure when another program holds the port.
  EXPECT_TRUE(hasPart(r, "startWebServer: listening on port 80, web root ") ||
              has(r, "ERROR startWebServer: ERROR: Cannot open port: 80"));
}

TEST(SettingsStartup, MissingIniFileIsReported) {
  QTemporaryDir dir;
  const QString defDir = dir.path() + '/';
  writeTextFile(defDir + "other.INI", "");
  const ZavRun r = runZavUntilStarted({defDir});
  ASSERT_TRUE(r.finished);
  EXPECT_TRUE(has(r, "loadINIfile: file not found '" + defDir + "zav.INI'"));
}
