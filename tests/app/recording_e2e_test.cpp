// The built program's recording against the controller simulator: a second copy
// in the same folder, damaged data files, and the register after a kill.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>

#include "support/link_processes.h"
#include "tests/meter/record/zav_bytes.h"

namespace {

constexpr double kDay = 45352.5;  // 2024-03-01 12:00
const QByteArray kIni =
    "startOnLine=1\r\nrunWebServer=0\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n"
    "writeToZAVdataFile=1\r\nwriteToZAVtextFile=1\r\noverWriteLast=0\r\n"
    "textFileWriteInterval=9\r\n";  // a line a day: no quarter hour adds one to the lines counted

QProcessEnvironment comPort3(const QString& device, const QString& actions = QString()) {
  QProcessEnvironment env;
  for (int n = 1; n <= 16; ++n) env.insert(QStringLiteral("ZAV_COM%1").arg(n), "/nonexistent/zav");
  env.insert("ZAV_COM3", device);
  if (!actions.isEmpty()) env.insert("ZAV_TEST_ACTIONS", actions);
  return env;
}

int64_t fileSize(const QString& path) { return QFileInfo(path).size(); }

class RecordingE2E : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_tmp.isValid() && m_other.isValid()); }
  QString dir() const { return m_tmp.path(); }
  QString datFile() const { return dir() + "/pwrData.ZAV"; }
  QString logFile() const { return dir() + "/zavLog.TXT"; }
  QStringList args() const { return {dir() + "/"}; }
  // A second working folder: its own ZAV_LOG_FILE, the same data folder by the command line.
  QString otherDir() const { return m_other.path(); }

 private:
  QTemporaryDir m_tmp, m_other;
};

}  // namespace

TEST_F(RecordingE2E, secondCopyInTheSameFolderRecordsNothingAndSaysSo) {
  SimProcess sim({"--interval-ms", "100", "--power", "1500"});
  ASSERT_TRUE(sim.ok());
  writeTextFile(dir() + "/zav.INI", kIni);
  ZavProcess first(dir(), args(), comPort3(sim.endpoint()));
  ASSERT_TRUE(first.waitFor([&] { return fileSize(datFile()) >= 38 + 3 * 18; }, 20000))
      << first.log().join('\n').toStdString();
  const QByteArray logBefore = readTextFile(logFile());
  {
    SimProcess sim2({"--interval-ms", "100", "--power", "900"});
    ASSERT_TRUE(sim2.ok());
    ZavProcess second(otherDir(), args(), comPort3(sim2.endpoint(), "Frame1?"));
    const QString problem = datFile() + ": in use by another program";
    ASSERT_TRUE(second.waitFor([&] { return second.logHasPart("testActions: Frame1=Error: Cannot open data file"); },
                               20000))
        << second.log().join('\n').toStdString();
    EXPECT_TRUE(second.logHasPart("testActions: Frame1=Error: Cannot open data file " + problem));
    EXPECT_TRUE(second.logHasPart("ERROR cannot open file: in use by another program - nothing is recorded"));
    EXPECT_TRUE(second.logHasPart("MSGBOX: Error: Cannot open Zav-file"));
    // Still recording in the first copy: every record of its one open section, nothing else.
    const int64_t size = fileSize(datFile());
    EXPECT_EQ((size - 38) % 18, 0);
    EXPECT_EQ(readTextFile(datFile()).mid(34, 4).toHex(), QByteArray("00000000"));  // nobody closed it
    ASSERT_TRUE(second.terminate());
    // Going off-line at its end wrote no marker into the other copy's text log.
    EXPECT_EQ(readTextFile(logFile()).count("-0000004"), 0);
    EXPECT_TRUE(readTextFile(logFile()).startsWith(logBefore));
  }
  ASSERT_TRUE(first.waitFor([&] { return fileSize(datFile()) >= 38 + 8 * 18; }, 20000));
  first.kill();
  // The first copy's file loads whole: one section of records, a torn record at most.
  const QByteArray bytes = readTextFile(datFile());
  const int records = int((bytes.size() - 38) / 18);
  for (int i = 1; i < records; ++i) {
    const auto count = [&](int r) { return qFromLittleEndian<qint32>(bytes.constData() + 38 + 18 * r + 8); };
    EXPECT_EQ(count(i), count(i - 1) + 1) << i;
  }
  // And a new copy takes it up.
  ZavProcess third(dir(), args(), comPort3(sim.endpoint()));
  ASSERT_TRUE(third.waitFor([&] { return fileSize(datFile()) >= 38 + records * 18 + 38 + 2 * 18; }, 20000));
  ASSERT_TRUE(third.terminate());
  QString problem;
  const QList<DataFileSection> sections = readDataFile(datFile(), &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  ASSERT_EQ(sections.size(), 2);
  EXPECT_EQ(sections[0].records, records);
}

// A complete section, an open one followed by 7 stray bytes, then a complete
// last section: recording goes on behind the last, and every byte before stays.
TEST_F(RecordingE2E, damagedFileKeepsEverySectionAndRecordsBehindIt) {
  ZavBytes z;
  z.header(kDay, 2, 1).record(kDay, 1, 1).record(kDay, 2, 2);
  z.header(kDay + 1, 0, 2).record(kDay + 1, 5, 5).record(kDay + 1, 6, 6).record(kDay + 1, 7, 7);
  const qint64 stray = z.b.size() + 1;
  z.b += QByteArray("\x13\x37\x13\x37\x13\x37\x13", 7);
  const qint64 lastAt = z.b.size() + 1;
  z.header(kDay + 2, 3, 3).record(kDay + 2, 9, 9).record(kDay + 2, 10, 10).record(kDay + 2, 11, 11);
  writeTextFile(datFile(), z.b);
  SimProcess sim({"--interval-ms", "100", "--power", "1500"});
  ASSERT_TRUE(sim.ok());
  writeTextFile(dir() + "/zav.INI", kIni);
  ZavProcess zav(dir(), args(), comPort3(sim.endpoint()));
  ASSERT_TRUE(zav.waitFor([&] { return fileSize(datFile()) >= z.b.size() + 38 + 4 * 18; }, 20000))
      << zav.log().join('\n').toStdString();
  ASSERT_TRUE(zav.terminate());
  const QByteArray bytes = readTextFile(datFile());
  EXPECT_EQ(bytes.left(z.b.size()).toHex(), z.b.toHex());
  EXPECT_TRUE(zav.logHasPart(QStringLiteral("loadZavDatNEW: ERROR skipped 7 bytes at position=%1 (stray bytes "
                                            "behind an open section); reading on at the section header at "
                                            "position=%2")
                                 .arg(stray)
                                 .arg(lastAt)))
      << zav.log().join('\n').toStdString();
  EXPECT_FALSE(zav.logHasPart("torn tail cut"));
  // The new recording: one closed section right behind the old end.
  const QString tail = dir() + "/tail.ZAV";
  writeTextFile(tail, bytes.mid(z.b.size()));
  QString problem;
  const QList<DataFileSection> added = readDataFile(tail, &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  ASSERT_EQ(added.size(), 1);
  EXPECT_GE(added[0].records, 4);
}

// After a kill the text log's last line is older than the data file's newest
// readings: the next start goes on from them (1 Wh per count here), also when
// several readings share a second with the line, and when stray bytes came
// behind the last reading (none dated as a reading: they are cut).
TEST_F(RecordingE2E, registerGoesOnFromTheDataFileAfterAKill) {
  const struct {
    const char* interval;
    int records;  // before the kill
    QByteArray damage;  // put behind the last reading after the kill
  } runs[] = {{"1200", 5, {}},
              {"120", 10, {}},
              {"120", 10,
               QByteArray::fromHex("9d64c5a1f0e2b7c83c40a9919516528ecce7f4244308c178e2c04ed321dc"
                                   "6cb242604ef80be28b15e5090b2e496127caffa13c40a99195")}};
  for (const auto& [interval, least, damage] : runs) {
    const QString folder = dir() + "/every" + interval + "ms" + (damage.isEmpty() ? "" : "-damaged");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString datFile = folder + "/pwrData.ZAV", logFile = folder + "/zavLog.TXT";
    SimProcess sim({"--interval-ms", interval, "--power", "1500"});
    ASSERT_TRUE(sim.ok());
    writeTextFile(folder + "/zav.INI", kIni);
    int records = 0;
    {
      ZavProcess zav(folder, {folder + "/"}, comPort3(sim.endpoint()));
      ASSERT_TRUE(zav.waitFor([&] { return fileSize(datFile) >= 38 + least * 18; }, 30000))
          << zav.log().join('\n').toStdString();
      zav.kill();
      records = int((fileSize(datFile) - 38) / 18);
    }
    if (!damage.isEmpty()) writeTextFile(datFile, readTextFile(datFile) + damage);
    // The on-line marker and the first reading with a rate: 1 Wh.
    const QList<QByteArray> before = readTextFile(logFile).trimmed().split('\n');
    ASSERT_EQ(before.size(), 2) << readTextFile(logFile).toStdString();
    EXPECT_TRUE(before[1].trimmed().endsWith(" 0000000001 00001500")) << before[1].toStdString();
    ZavProcess zav(folder, {folder + "/"}, comPort3(sim.endpoint()));
    ASSERT_TRUE(zav.waitFor([&] { return readTextFile(logFile).count("-0000002") == 2; }, 20000))
        << zav.log().join('\n').toStdString();
    ASSERT_TRUE(zav.terminate());
    const QList<QByteArray> after = readTextFile(logFile).trimmed().split('\n');
    ASSERT_GE(after.size(), 3);
    // Every count of the first run: records - 1 of them (the first reading has no previous one).
    EXPECT_EQ(after[2].trimmed().mid(20, 10), QByteArray::number(records - 1).rightJustified(10, '0'))
        << interval << " ms: " << after[2].toStdString();
    EXPECT_TRUE(zav.logHasPart("loadLastLogLine: register continued from the data file: " +
                               QString::number(records - 2) + " newer readings"))
        << zav.log().join('\n').toStdString();
    EXPECT_EQ(
        zav.logHasPart(QStringLiteral("torn tail cut: bytes behind the last reading that are no reading "
                                      "(Error no reading at position=%1")
                           .arg(38 + records * 18 + 1)),
        !damage.isEmpty());
    EXPECT_TRUE(damage.isEmpty() || !readTextFile(datFile).contains(damage.left(18)));
  }
}

// Killed again and again with damage at the file's end between the runs
// (zeros, stray bytes, a count too large before them or past the end): the
// soak tool reads every file independently, checks each start's register and
// the plot of the whole file. Nothing invented, nothing lost, the register exact.
TEST_F(RecordingE2E, killsWithDamageBetweenRunsLoseAndInventNothing) {
  QProcess soak;
  soak.start(QStringLiteral(ZAV_TOOLS_DIR "/zav_soak"),
             {"--rounds", "40", "--damage-every", "2", "--seed", "20240301", "--build", ZAV_TOOLS_DIR});
  ASSERT_TRUE(soak.waitForFinished(120000));
  const QString out = QString::fromUtf8(soak.readAllStandardOutput());
  const qsizetype passed = out.indexOf("SOAK PASSED ");
  ASSERT_GE(passed, 0) << out.toStdString();
  EXPECT_EQ(soak.exitCode(), 0);
  std::printf("LOAD recording_kill_damage %s\n", qPrintable(out.mid(passed + 12).trimmed()));
  // Damage goes in where the kill left the end whole and the last damage was cut: most second rounds.
  const QRegularExpressionMatch damaged = QRegularExpression(" damaged=(\\d+) ").match(out);
  EXPECT_GE(damaged.captured(1).toInt(), 10) << out.toStdString();
}

// A data file that cannot be opened: the message and the caption name the file and the reason.
TEST_F(RecordingE2E, dataFileErrorNamesTheFileAndTheReason) {
  const QString missing = dir() + "/missing/pwrData.ZAV";
  writeTextFile(dir() + "/zav.INI", kIni + "zavDatFileName(0)=" + missing.toUtf8() + "\r\n");
  ZavProcess zav(dir(), args(), comPort3("/nonexistent/zav", "Frame1?"));
  const QString why = missing + ": No such file or directory";
  ASSERT_TRUE(zav.waitFor([&] { return zav.logHasPart("testActions: Frame1=Error: Cannot open data file " + why); },
                          20000))
      << zav.log().join('\n').toStdString();
  EXPECT_TRUE(zav.logHasPart(why));
  EXPECT_TRUE(zav.logHasPart("MSGBOX: Error: Cannot open Zav-file"));
  ASSERT_TRUE(zav.terminate());
}
