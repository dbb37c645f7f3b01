// The built program ends without asking on SIGTERM and SIGINT once its main window runs.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

namespace {
// Starts zav headless (message boxes would answer OK; none may appear) and
// waits for its main window's start line.
bool startZav(QProcess& p, const QTemporaryDir& tmp) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ZAV_LOG_FILE", tmp.filePath("log.txt"));
  env.insert("ZAV_HEADLESS", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(tmp.path());
  p.start(QStringLiteral(ZAV_BINARY), {QStringLiteral("-noini")});
  if (!p.waitForStarted(10000)) return false;
  QDeadlineTimer deadline(20000);
  while (!deadline.hasExpired()) {
    QFile f(tmp.filePath("log.txt"));
    if (f.open(QIODevice::ReadOnly) && f.readAll().contains("-------- Zav START")) return true;
    QThread::msleep(20);
  }
  return false;
}

QString logText(const QTemporaryDir& tmp) {
  QFile f(tmp.filePath("log.txt"));
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
}  // namespace

class EndsOnSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndsOnSignal, WithoutAskingAndWithExitCodeZero) {
  QTemporaryDir tmp;
  QProcess p;
  ASSERT_TRUE(startZav(p, tmp));
  ::kill(static_cast<pid_t>(p.processId()), GetParam());
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  const QString log = logText(tmp);
  EXPECT_TRUE(log.contains(QStringLiteral("endWithoutAsking: signal %1").arg(GetParam())));
  EXPECT_FALSE(log.contains(QStringLiteral("exit program?")));
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, EndsOnSignal, ::testing::Values(SIGTERM, SIGINT));
