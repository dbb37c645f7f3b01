// The built program ends without asking on SIGTERM and SIGINT once its main
// window runs, and closes its data file properly when it was recording.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csignal>

#include "support/sanitizer_report.h"
#include "support/link_processes.h"

namespace {
// Starts zav headless (a message box would answer OK; none may appear) with
// its INI file in dir, and waits for the main window's start line.
bool startZav(QProcess& p, const QTemporaryDir& dir, const QByteArray& ini,
              const QProcessEnvironment& extra = {}) {
  writeTextFile(dir.filePath("zav.INI"), ini);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ZAV_LOG_FILE", dir.filePath("log.txt"));
  env.insert("ZAV_HEADLESS", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  for (const QString& k : extra.keys()) env.insert(k, extra.value(k));
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(dir.path());
  p.start(QStringLiteral(ZAV_BINARY), {dir.path() + '/'});
  return p.waitForStarted(10000) &&
         runEventsUntil([&] { return readTextFile(dir.filePath("log.txt")).contains("-------- Zav START"); },
                        20000);
}

void endBySignal(QProcess& p, int signal) {
  ::kill(static_cast<pid_t>(p.processId()), signal);
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  expectNoSanitizerReport(QString::fromLocal8Bit(p.readAllStandardError()));
}
}  // namespace

class EndsOnSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndsOnSignal, WithoutAskingAndWithExitCodeZero) {
  QTemporaryDir dir;
  QProcess p;
  ASSERT_TRUE(startZav(p, dir, "startOnLine=0\r\nrunWebServer=0\r\n"));
  endBySignal(p, GetParam());
  const QString log = QString::fromUtf8(readTextFile(dir.filePath("log.txt")));
  EXPECT_TRUE(log.contains(QStringLiteral("endWithoutAsking: signal %1").arg(GetParam())));
  EXPECT_FALSE(log.contains(QStringLiteral("exit program?")));
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, EndsOnSignal, ::testing::Values(SIGTERM, SIGINT));

TEST(EndsOnSignalWhileRecording, DataFileHeaderGetsItsRecordCount) {
  SimProcess sim({"--pty", "--format", "new", "--power", "1500", "--interval-ms", "50", "--reset", "3"});
  ASSERT_TRUE(sim.ok());
  QTemporaryDir dir;
  QProcessEnvironment env;
  env.insert("ZAV_COM3", sim.endpoint());
  QProcess zav;
  ASSERT_TRUE(startZav(zav, dir, "comPort=3\r\nstartOnLine=1\r\nrunWebServer=0\r\n", env));
  const QString data = dir.filePath("pwrData.ZAV");
  // Enough frames for a section with records.
  ASSERT_TRUE(runEventsUntil([&] { return QFile(data).size() >= 38 + 5 * 18; }, 20000))
      << readTextFile(dir.filePath("log.txt")).toStdString();
  endBySignal(zav, SIGTERM);
  // Every section's header counts its records, up to the end of the file.
  QString problem;
  const QList<DataFileSection> sections = readDataFile(data, &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  int records = 0;
  for (const DataFileSection& s : sections) {
    EXPECT_GT(s.records, 0);
    records += s.records;
  }
  EXPECT_GE(records, 5);
}
