// The built program against the controller simulator through pseudo-terminals behind COM
// numbers: going on-line, recording, the COM-port search, plain pulses, a crash and a restart,
// the temperature receiver and the TCP link (their window actions through ZAV_TEST_ACTIONS).
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtEndian>
#include <memory>

#include "support/link_processes.h"
#include "support/pty_pair.h"
#include "tools/loopback_socket.h"
#include "tools/zav_frames.h"

namespace {
constexpr int kTicksPerCountAt1500W = 300000;  // 2.4 s per count at 1000 counts/kWh, 125000 ticks/s

QProcessEnvironment comPorts(const QMap<int, QString>& ports) {
  QProcessEnvironment env;
  for (int n = 1; n <= 16; ++n)
    env.insert(QStringLiteral("ZAV_COM%1").arg(n), ports.value(n, "/nonexistent/zav"));
  return env;
}

// Records written so far: the open section's header gets its count only when it closes.
int recordCount(const QString& path) {
  const qint64 size = QFileInfo(path).size();
  return size < 38 ? 0 : int((size - 38) / 18);
}

// The data file as one section closed properly: no torn bytes, its header got its count at the end.
DataFileSection onlySection(const QString& path) {
  QString problem;
  const QList<DataFileSection> sections = readDataFile(path, &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  EXPECT_EQ(sections.size(), 1);
  if (sections.isEmpty()) return {};
  EXPECT_EQ(sections.first().records, sections.first().recordList.size());
  return sections.first();
}

// Consecutive counts, each with the ticks of 1500 W and 21 degrees (raw 2) as the simulator sent them.
void expectFramesAt1500W(const QList<DataFileRecord>& records) {
  for (qsizetype i = 0; i < records.size(); ++i) {
    const DataFileRecord& r = records[i];
    EXPECT_EQ(uint32_t(r.ticks), uint32_t(r.count - 1) * uint32_t(kTicksPerCountAt1500W)) << i;
    EXPECT_EQ(r.temp, 2) << i;
    if (i > 0) {
      EXPECT_EQ(r.count, records[i - 1].count + 1) << i;
    }
  }
}

QList<QByteArray> textLogLines(const QString& dir) {
  QList<QByteArray> lines = readTextFile(dir + "/zavLog.TXT").split('\n');
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  return lines;
}

class LinkE2E : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_tmp.isValid()); }
  QString dir() const { return m_tmp.path(); }
  QString datFile() const { return dir() + "/pwrData.ZAV"; }
  QStringList args() const { return {dir() + "/"}; }
  void writeIni(const QByteArray& body) { writeTextFile(dir() + "/zav.INI", body); }

 private:
  QTemporaryDir m_tmp;
};
}  // namespace

TEST_F(LinkE2E, goesOnLineRecordsTheFramesAndGoesOffLine) {
  SimProcess sim({"--interval-ms", "100", "--power", "1500", "--temp", "21", "--volts", "12"});
  ASSERT_TRUE(sim.ok());
  writeIni("startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
  ZavProcess zav(dir(), args(), comPorts({{3, sim.endpoint()}}));
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= 6; }, 20000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());

  EXPECT_TRUE(zav.logHas("openCom: opening com3 MSComm1.Settings =19200,N,8,1"));
  EXPECT_TRUE(zav.logHas("openCom: closing com3"));
  const DataFileSection s = onlySection(datFile());
  EXPECT_EQ(s.version, 1003000);
  EXPECT_EQ(s.ticksPerSec, 125000);
  EXPECT_EQ(s.resetCount, 1);
  ASSERT_GE(s.recordList.size(), 6);
  expectFramesAt1500W(s.recordList);
  const QList<QByteArray> lines = textLogLines(dir());
  ASSERT_GE(lines.size(), 2);
  EXPECT_TRUE(lines.first().trimmed().endsWith("-0000002")) << lines.first().toStdString();
  EXPECT_TRUE(lines.last().trimmed().endsWith("-0000004")) << lines.last().toStdString();
  EXPECT_TRUE(readTextFile(dir() + "/zavLog.TXT").contains(" 00001500")) << lines.join('|').toStdString();
}

TEST_F(LinkE2E, comPortSearchFindsTheAnsweringPortAndAppendsItToTheIni) {
  PtyPair silentA, silentB;
  ASSERT_TRUE(silentA.ok() && silentB.ok());
  SimProcess sim({"--interval-ms", "100", "--power", "1500"});
  ASSERT_TRUE(sim.ok());
  const QByteArray ini = "startOnLine=1\r\nrunWebServer=0\r\nifType=2\r\n";
  writeIni(ini);
  ZavProcess zav(dir(), args(),
                 comPorts({{2, silentA.slavePath()}, {5, silentB.slavePath()}, {7, sim.endpoint()}}));
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= 2; }, 45000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  EXPECT_EQ(readTextFile(dir() + "/zav.INI"), ini + "comPort=7\r\n");
  EXPECT_TRUE(zav.logHas("openCom: opening com2 MSComm1.Settings =19200,N,8,1"));
  EXPECT_TRUE(zav.logHas("openCom: opening com5 MSComm1.Settings =19200,N,8,1"));
  EXPECT_TRUE(zav.logHas("openCom: opening com7 MSComm1.Settings =19200,N,8,1"));
  EXPECT_TRUE(zav.logHas("openCom: closing com7"));
}

TEST_F(LinkE2E, searchWithoutAnAnsweringPortWritesNothing) {
  PtyPair silent;
  const QByteArray ini = "startOnLine=1\r\nrunWebServer=0\r\nifType=2\r\n";
  writeIni(ini);
  ZavProcess zav(dir(), args(), comPorts({{1, silent.slavePath()}}));
  ASSERT_TRUE(zav.waitFor([&] { return zav.logHas("openCom: closing com1"); }, 20000));
  runEventsFor(300);
  ASSERT_TRUE(zav.terminate());
  EXPECT_EQ(readTextFile(dir() + "/zav.INI"), ini);
  EXPECT_EQ(recordCount(datFile()), 0);
}

TEST_F(LinkE2E, plainPulsesAreGatheredByTheMinimumInterval) {
  SimProcess sim({"--format", "pulse", "--interval-ms", "40"});
  ASSERT_TRUE(sim.ok());
  writeIni("startOnLine=1\r\nrunWebServer=0\r\ncomPort=4\r\nifType=1\r\nminUpdateInterval=0.5\r\n");
  ZavProcess zav(dir(), args(), comPorts({{4, sim.endpoint()}}));
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= 5; }, 20000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  EXPECT_TRUE(zav.logHas("openCom: opening com4 MSComm1.Settings =1200,N,8,1"));
  EXPECT_TRUE(zav.logHasPart("  (ifType = 1) Data received.  buffLen="));
  const QList<DataFileSection> sections = readDataFile(datFile());
  ASSERT_FALSE(sections.isEmpty());
  const QList<DataFileRecord>& recs = sections.last().recordList;
  ASSERT_GE(recs.size(), 5);
  // About 12 pulses arrive per half second: each reading gathers several of them.
  const int spread = recs.last().count - recs.first().count;
  EXPECT_GE(spread / int(recs.size() - 1), 4);
  for (qsizetype i = 1; i < recs.size(); ++i) EXPECT_GT(recs[i].count, recs[i - 1].count) << i;
}

TEST_F(LinkE2E, killedWhileRecordingLosesNoCompleteRecordAfterARestart) {
  SimProcess sim({"--interval-ms", "60", "--power", "1500", "--temp", "21"});
  ASSERT_TRUE(sim.ok());
  writeIni("startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
  QList<int32_t> firstRun;
  {
    ZavProcess zav(dir(), args(), comPorts({{3, sim.endpoint()}}));
    ASSERT_TRUE(zav.waitFor([&] { return QFileInfo(datFile()).size() >= 38 + 5 * 18; }, 20000));
    zav.kill();  // SIGKILL: no chance to close the file
    const QByteArray bytes = readTextFile(datFile());
    for (qsizetype at = 38; at + 18 <= bytes.size(); at += 18) {
      firstRun.append(qFromLittleEndian<qint32>(bytes.constData() + at + 8));
    }
  }
  ASSERT_GE(firstRun.size(), 5);
  ZavProcess zav(dir(), args(), comPorts({{3, sim.endpoint()}}));
  // A new section: its header and then three more records.
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= firstRun.size() + 5; }, 20000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  QString problem;
  const QList<DataFileSection> sections = readDataFile(datFile(), &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  ASSERT_GE(sections.size(), 2);
  QList<int32_t> kept;
  for (const DataFileRecord& r : sections.first().recordList) kept.append(r.count);
  EXPECT_EQ(kept, firstRun);
  EXPECT_GE(sections.last().recordList.size(), 3);
}

TEST_F(LinkE2E, oldFramesAndTheSlowDetectorAreRecordedToo) {
  struct Row {
    const char* name;
    QStringList sim;
    QByteArray ini;
    const char* opened;
    int16_t temp;
  };
  const Row rows[] = {
      {"oldFrame",
       {"--format", "old", "--pgm-id", "24000", "--temp", "21"},
       "ZAVdetectorVer=24000\r\n",
       "openCom: opening com3 MSComm1.Settings =19200,N,8,1",
       42},
      {"detector24841",
       {"--pgm-id", "24841", "--temp", "-5"},
       "ZAVdetectorVer=24841\r\n",
       "openCom: opening com3 MSComm1.Settings =2400,N,8,1",
       0xCE},  // -5 degrees: -50 as the frame's byte, recorded raw
  };
  for (const Row& r : rows) {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    SimProcess sim(QStringList{"--interval-ms", "80", "--power", "1500"} + r.sim);
    ASSERT_TRUE(sim.ok()) << r.name;
    writeTextFile(d + "/zav.INI", "startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\n" + r.ini);
    ZavProcess zav(d, {d + "/"}, comPorts({{3, sim.endpoint()}}));
    ASSERT_TRUE(zav.waitFor([&] { return recordCount(d + "/pwrData.ZAV") >= 3; }, 20000))
        << r.name << zav.log().join('\n').toStdString();
    ASSERT_TRUE(zav.terminate()) << r.name;
    EXPECT_TRUE(zav.logHas(r.opened)) << r.name;
    const QList<DataFileSection> sections = readDataFile(d + "/pwrData.ZAV");
    ASSERT_EQ(sections.size(), 1) << r.name;
    for (const DataFileRecord& rec : sections.first().recordList) {
      EXPECT_EQ(uint32_t(rec.ticks), uint32_t(rec.count - 1) * uint32_t(kTicksPerCountAt1500W)) << r.name;
      EXPECT_EQ(rec.temp, r.temp) << r.name;
    }
  }
}

TEST_F(LinkE2E, theTemperatureReceiverShowsTheSensorsTemperature) {
  SimProcess sim({"--format", "sensor", "--interval-ms", "100", "--temp", "21.5"});
  ASSERT_TRUE(sim.ok());
  const QByteArray ini = "startOnLine=0\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\n";
  writeIni(ini);
  QProcessEnvironment env = comPorts({{3, sim.endpoint()}});
  // The receiver box, then on-line, as a user would; Label14 shows the temperature.
  env.insert("ZAV_TEST_ACTIONS", "Check4(3);Check1;Label14?");
  ZavProcess zav(dir(), args(), env);
  ASSERT_TRUE(zav.waitFor([&] { return zav.logHas("testActions: Label14=+21.5 °C"); }, 20000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  EXPECT_TRUE(zav.logHas("openCom: opening com3 MSComm1.Settings =9600,N,8,1"));
  EXPECT_TRUE(zav.logHas("openCom: closing com3"));
  EXPECT_FALSE(zav.logHasPart("ERROR testActions"));
  EXPECT_EQ(readTextFile(dir() + "/zav.INI"), ini);
}

TEST_F(LinkE2E, framesOverTheTcpLinkAreRecordedWhileOnLine) {
  PtyPair quietLine;  // on-line on a serial port that sends nothing
  ASSERT_TRUE(quietLine.ok());
  SimProcess sim({"--tcp", "0", "--interval-ms", "100", "--power", "1500", "--temp", "21"});
  ASSERT_TRUE(sim.ok());
  const QString port = sim.endpoint().section(u':', 1);
  writeIni("startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
  QProcessEnvironment env = comPorts({{3, quietLine.slavePath()}});
  env.insert("ZAV_TEST_ACTIONS", "Text14(0)=127.0.0.1;Text14(1)=" + port + ";Command8(0)");
  ZavProcess zav(dir(), args(), env);
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= 5; }, 20000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  EXPECT_FALSE(zav.logHasPart("ERROR Winsock1_Error"));
  EXPECT_FALSE(zav.logHasPart("ERROR testActions"));
  const QList<DataFileRecord> records = onlySection(datFile()).recordList;
  ASSERT_GE(records.size(), 5);
  expectFramesAt1500W(records);
}

namespace {
// The text-log lines whose power field is this marker, as their time fields.
QList<QDateTime> markerTimes(const QString& dir, const QByteArray& marker) {
  QList<QDateTime> times;
  for (const QByteArray& line : textLogLines(dir)) {
    if (!line.trimmed().endsWith(marker)) continue;
    times.append(QDateTime::fromString(QString::fromLatin1(line.left(19)), "yyyy-MM-dd HH:mm:ss"));
  }
  return times;
}
}  // namespace

TEST_F(LinkE2E, thirtyFramesInOneBurstAreAllRecorded) {
  PtyPair line;
  ASSERT_TRUE(line.ok());
  writeIni("startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
  ZavProcess zav(dir(), args(), comPorts({{3, line.slavePath()}}));
  ASSERT_TRUE(zav.waitFor([&] { return zav.logHasPart("openCom: opening com3"); }, 20000));
  auto frame = [](uint32_t count) {
    zavsim::Reading r;
    r.count = count;
    r.ticks = (count - 1) * uint32_t(kTicksPerCountAt1500W);
    r.temp1 = 2;  // 21 degrees
    return zavsim::newFrame(r);
  };
  // The first reading after going on-line is the start of the first interval.
  line.write(frame(1));
  runEventsFor(500);
  const int before = recordCount(datFile());
  QByteArray burst;
  for (uint32_t count = 2; count <= 31; ++count) burst += frame(count);
  ASSERT_GT(burst.size(), 1024);  // more than the old imitated input buffer held
  line.write(burst);
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= before + 30; }, 20000))
      << recordCount(datFile()) << "\n" << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  const DataFileSection s = onlySection(datFile());
  ASSERT_EQ(s.recordList.size(), before + 30);
  EXPECT_EQ(s.recordList.last().count, 31);
  expectFramesAt1500W(s.recordList);
  EXPECT_FALSE(zav.logHasPart("lost received bytes"));
}

TEST_F(LinkE2E, aLostDeviceIsMarkedAtTheLossAndRecordingResumesByItself) {
  const QString device = dir() + "/ttyZav";  // re-pointed to the new simulator's pty
  const QStringList simArgs = {"--link", device, "--interval-ms", "100", "--power", "1500", "--temp", "21"};
  auto sim = std::make_unique<SimProcess>(simArgs);
  ASSERT_TRUE(sim->ok());
  writeIni("startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
  ZavProcess zav(dir(), args(), comPorts({{3, device}}));
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= 3; }, 20000))
      << zav.log().join('\n').toStdString();
  sim.reset();  // the device goes away
  ASSERT_TRUE(zav.waitFor([&] { return zav.logHasPart("deviceLost: trying COM3 again"); }, 5000))
      << zav.log().join('\n').toStdString();
  EXPECT_TRUE(zav.logHasPart("ERROR MSComm1_OnComm: ERROR COM3 ("));
  EXPECT_EQ(markerTimes(dir(), "-0000004").size(), 1);  // the off-line marker, written at the loss
  runEventsFor(2500);
  const qint64 closedSize = QFileInfo(datFile()).size();
  const QDateTime restarted = QDateTime::currentDateTime();
  sim = std::make_unique<SimProcess>(simArgs);
  ASSERT_TRUE(sim->ok());
  // No click: the same port is tried again and a new section is recorded.
  // (The open section's header gets its count only when it closes: count by size.)
  ASSERT_TRUE(zav.waitFor([&] { return QFileInfo(datFile()).size() >= closedSize + 38 + 3 * 18; }, 20000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  EXPECT_TRUE(zav.logHasPart("deviceLost: COM3 is back, recording again"));
  const QList<QDateTime> offLine = markerTimes(dir(), "-0000004");
  const QList<QDateTime> onLine = markerTimes(dir(), "-0000002");
  ASSERT_EQ(offLine.size(), 2);  // the loss and the end
  ASSERT_EQ(onLine.size(), 2);   // the start and the return
  // The loss's marker carries the time of the loss, before the device came back.
  EXPECT_LT(offLine.first(), restarted.addSecs(-1)) << offLine.first().toString().toStdString();
  EXPECT_GE(onLine.last(), offLine.first());
  QString problem;
  const QList<DataFileSection> sections = readDataFile(datFile(), &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  ASSERT_EQ(sections.size(), 2);
  for (const DataFileSection& s : sections) EXPECT_EQ(s.records, s.recordList.size());
  EXPECT_GE(sections.last().recordList.size(), 3);
}

TEST_F(LinkE2E, aSearchOverSilentPortsEndsAtCancel) {
  QList<std::shared_ptr<PtyPair>> silent;
  QMap<int, QString> ports;
  for (int n = 1; n <= 8; ++n) {
    silent.append(std::make_shared<PtyPair>());
    ports.insert(n, silent.last()->slavePath());
  }
  const QByteArray ini = "startOnLine=0\r\nrunWebServer=0\r\nifType=2\r\n";
  writeIni(ini);
  QProcessEnvironment env = comPorts(ports);
  // Ticking ON-LINE with no port searches (about 4 s a silent port); Cancel comes during it.
  env.insert("ZAV_TEST_ACTIONS", "@2500 cmdCancel;Check1");
  ZavProcess zav(dir(), args(), env);
  const QString shown = "searchComPorts: Energy meter - Search cancelled: set the COM port in Setup";
  ASSERT_TRUE(zav.waitFor([&] { return zav.logHas(shown); }, 12000)) << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  const QStringList log = zav.log();
  const qsizetype cancelled = log.indexOf("searchComPorts: cancelled");
  ASSERT_GE(cancelled, 0);
  // After Cancel no further port is tried: at most the one under test is closed.
  const QStringList after = log.mid(cancelled);
  EXPECT_TRUE(after.filter("openCom: opening").isEmpty()) << after.join('\n').toStdString();
  EXPECT_LE(after.filter("openCom: closing").size(), 1);
  EXPECT_LT(log.filter("openCom: opening").size(), 8);
  EXPECT_EQ(readTextFile(dir() + "/zav.INI"), ini);
  EXPECT_EQ(recordCount(datFile()), 0);
}

namespace {
// One GET on its own connection: the body the program sent before it closed.
QByteArray fetchPage(int port, const QByteArray& target) {
  const QByteArray answer = getWholeAnswer(port, target, 5);
  return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}
}  // namespace

// A frame reaches the web pages: the server's live values follow the readings.
TEST_F(LinkE2E, theWebPagesShowTheLatestReading) {
  SimProcess sim({"--interval-ms", "100", "--power", "1500", "--temp", "21"});
  ASSERT_TRUE(sim.ok());
  QDir(dir()).mkpath("www");
  writeTextFile(dir() + "/www/live.asp", "<%=strZavPower%>|<%=lngZavPower%>|<%=lngZavTemp%>");
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  const int port = probe.serverPort();
  probe.close();
  writeIni("startOnLine=1\r\nrunWebServer=1\r\nwebServerPort=\"" + QByteArray::number(port) + "\"\r\nwebRoot=\"" +
           (dir() + "/www").toUtf8() + "\"\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
  ZavProcess zav(dir(), args(), comPorts({{3, sim.endpoint()}}));
  ASSERT_TRUE(zav.waitFor([&] { return recordCount(datFile()) >= 3; }, 20000)) << zav.log().join('\n').toStdString();
  EXPECT_EQ(fetchPage(port, "/live.asp"), "1,500|1500|21");
  const QByteArray xml = fetchPage(port, "/zavData.xml");
  // The record: time, register, power, then temperature, volts, status and reset count as sent.
  EXPECT_TRUE(QRegularExpression("<zavRecord>\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\d{10} 00001500 000002 ")
                  .match(QString::fromLatin1(xml))
                  .hasMatch())
      << xml.constData();
  ASSERT_TRUE(zav.terminate());
}
