// The command file beside the text log: its times, and its lines when it changed.
#include "plot/plot_requests.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "plot_log.h"
#include "support/log_capture.h"

TEST(PlotRequests, CommandFileBesideTheTextLogIsLoggedWhenItChanged) {
  QTemporaryDir dir;
  Settings settings;
  settings.zavLogFileName = dir.filePath("zavLog.TXT");
  settings.writeToZAVtextFile = true;
  QFile cmd(dir.filePath("zavLog.CMD"));
  ASSERT_TRUE(cmd.open(QIODevice::WriteOnly));
  cmd.write("first\r\nsecond\n");
  cmd.close();
  KeepLogLevel savedLevel;
  MessageLog::setLevel(2);
  struct Row {
    const char* name;
    bool textLog;
    const char* logName;
    bool lines;  // the file's lines are logged
    bool times;  // its times are
  } rows[] = {{"first time", true, "zavLog.TXT", true, true},
              {"unchanged: times only", true, "zavLog.TXT", false, true},
              {"text log off", false, "zavLog.TXT", false, false},
              {"not a .txt log", true, "zavLog.log", false, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    settings.writeToZAVtextFile = r.textLog;
    settings.zavLogFileName = dir.filePath(r.logName);
    HeadlessLog log;
    readCmdFile(settings);
    EXPECT_EQ(logged(log, "cmdLineNr 1 = first\ncmdLineNr 2 = second"), r.lines);
    EXPECT_EQ(logged(log, "Last Written:  "), r.times);
  }
}
