// The built program ends without asking on SIGTERM and SIGINT once its main
// window runs, and closes its data file properly when it was recording.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <csignal>

namespace {
void writeIni(const QTemporaryDir& dir, const QByteArray& body) {
  QFile f(dir.filePath("zav.INI"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(body);
}

QString fileText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool waitFor(const std::function<bool()>& done, int ms = 20000) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    if (done()) return true;
    QThread::msleep(20);
  }
  return false;
}

// Starts zav headless (a message box would answer OK; none may appear) with
// its INI file in dir, and waits for the main window's start line.
bool startZav(QProcess& p, const QTemporaryDir& dir, const QProcessEnvironment& extra = {}) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ZAV_LOG_FILE", dir.filePath("log.txt"));
  env.insert("ZAV_HEADLESS", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  for (const QString& k : extra.keys()) env.insert(k, extra.value(k));
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(dir.path());
  p.start(QStringLiteral(ZAV_BINARY), {dir.path() + '/'});
  if (!p.waitForStarted(10000)) return false;
  return waitFor([&] { return fileText(dir.filePath("log.txt")).contains("-------- Zav START"); });
}

// Walks the data file's sections by their record counts; true when they end
// exactly at the end of the file and the last one holds its records.
bool sectionsAccountForEveryRecord(const QByteArray& file, int& records) {
  constexpr int kHeader = 38, kRecord = 18, kRecordsAt = 34;
  qsizetype pos = 0;
  int32_t last = 0;
  records = 0;
  while (pos + kHeader <= file.size()) {
    last = qFromLittleEndian<qint32>(file.constData() + pos + kRecordsAt);
    if (last <= 0) return false;
    records += last;
    pos += kHeader + qsizetype(kRecord) * last;
  }
  return pos == file.size() && last > 0;
}
}  // namespace

class EndsOnSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndsOnSignal, WithoutAskingAndWithExitCodeZero) {
  QTemporaryDir dir;
  writeIni(dir, "startOnLine=0\r\nrunWebServer=0\r\n");
  QProcess p;
  ASSERT_TRUE(startZav(p, dir));
  ::kill(static_cast<pid_t>(p.processId()), GetParam());
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
  const QString log = fileText(dir.filePath("log.txt"));
  EXPECT_TRUE(log.contains(QStringLiteral("endWithoutAsking: signal %1").arg(GetParam())));
  EXPECT_FALSE(log.contains(QStringLiteral("exit program?")));
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, EndsOnSignal, ::testing::Values(SIGTERM, SIGINT));

TEST(EndsOnSignalWhileRecording, DataFileHeaderGetsItsRecordCount) {
  QProcess sim;
  sim.start(QStringLiteral(ZAV_TOOLS_DIR "/zav_sim"),
            {"--pty", "--format", "new", "--power", "1500", "--interval-ms", "50", "--reset", "3"});
  ASSERT_TRUE(sim.waitForStarted(5000));
  ASSERT_TRUE(sim.waitForReadyRead(5000));
  const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed().remove(QStringLiteral("PTY "));
  ASSERT_TRUE(device.startsWith("/dev/")) << device.toStdString();

  QTemporaryDir dir;
  writeIni(dir, "comPort=3\r\nstartOnLine=1\r\nrunWebServer=0\r\n");
  QProcessEnvironment env;
  env.insert("ZAV_COM3", device);
  QProcess zav;
  ASSERT_TRUE(startZav(zav, dir, env));
  const QString data = dir.filePath("pwrData.ZAV");
  // Enough frames for a section with records.
  ASSERT_TRUE(waitFor([&] { return QFile(data).size() >= 38 + 5 * 18; }))
      << fileText(dir.filePath("log.txt")).toStdString();
  ::kill(static_cast<pid_t>(zav.processId()), SIGTERM);
  ASSERT_TRUE(zav.waitForFinished(10000));
  sim.kill();
  sim.waitForFinished();
  EXPECT_EQ(zav.exitCode(), 0);

  QFile f(data);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  int records = 0;
  EXPECT_TRUE(sectionsAccountForEveryRecord(f.readAll(), records));
  EXPECT_GE(records, 5);
}
