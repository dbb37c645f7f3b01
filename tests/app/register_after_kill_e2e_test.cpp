// What a start after a kill makes of the file and the text log, through the built
// program: the register goes on from the last reading recorded whatever the PC clock
// said meanwhile, a section header torn behind the last section is cut, and a
// section's count reaches the disk before a new section is appended behind it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "app/support/recording.h"
#include "core/settings/detector_types.h"
#include "meter/record/zav_format.h"
#include "support/outside_tool.h"

namespace {

constexpr double k10WhIn24s = 1500;  // W: 10 counts of 3,600 Ws in 24 s

struct Case {
  std::string name;
  std::function<void(Recording&)> record;  // after the first frame, up to the kill
};

// `readings` readings of 10 Wh at the right clock, then two while the clock says `year`.
Case killedAtWrongClock(int year, int readings) {
  return {"kill_at_" + std::to_string(year) + "_after_" + std::to_string(readings), [=](Recording& r) {
            r.readings(readings, k10WhIn24s, 24);
            r.clock(secondsUntil(QDate(year, 1, 6)));
            r.readings(2, k10WhIn24s, 24);
          }};
}

Case clockSetBack(const char* name, qint64 seconds) {
  return {name, [=](Recording& r) {
            r.readings(4, k10WhIn24s, 24);
            r.clock(-seconds);
            r.readings(4, k10WhIn24s, 24);
          }};
}

std::vector<Case> registerCases() {
  std::vector<Case> cases;
  for (int year : {1980, 2300})
    for (int readings : {0, 1, 8, 20}) cases.push_back(killedAtWrongClock(year, readings));
  cases.push_back(clockSetBack("clock_set_back_an_hour", 3600));
  cases.push_back(clockSetBack("clock_set_back_a_day", kDay));
  cases.push_back({"clock_1980_then_set_right", [](Recording& r) {
                     r.readings(4, k10WhIn24s, 24);
                     r.clock(secondsUntil(QDate(1980, 1, 6)));
                     r.readings(2, k10WhIn24s, 24);
                     r.clock(0);
                     r.readings(4, k10WhIn24s, 24);
                   }});
  return cases;
}

// The restart's on-line marker: the register it went on from.
qint64 restartRegister(const QString& dir, qsizetype linesBefore) {
  const QList<QPair<qint64, QByteArray>> registers = textLogRegisters(dir);
  EXPECT_GT(registers.size(), linesBefore);
  if (registers.size() <= linesBefore) return -1;
  EXPECT_EQ(registers[linesBefore].second, "-0000002");
  return registers[linesBefore].first;
}

std::string explained(const Recording& r, const QString& dir) {
  return readTextFile(dir + "/zavLog.TXT").toStdString() +
         r.logs().last().filter("loadLastLogLine").join('\n').toStdString();
}

class RegisterAfterKill : public ::testing::TestWithParam<Case> {};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

}  // namespace

// Killed with the PC clock wrong, set back or set right again: a start at the right
// clock goes on from the register of the last reading the data file holds, nothing
// counted twice (a reading not recorded is not in it).
TEST_P(RegisterAfterKill, goesOnFromTheLastRecordedReading) {
  ZAV_NEED_TOOL(QFile::exists(kFakeTimeLibrary), "libfaketime (Debian package faketime) moves the PC clock");
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString dir = tmp.path();
  ASSERT_NE(writeRecordingIni(dir, ::Setup{}.ini), 0);
  Recording r(dir, {.fakeClock = true});
  r.start();
  r.frame(0, 0);
  GetParam().record(r);
  if (HasFatalFailure()) return;
  r.stop(true);
  const QByteArray before = readTextFile(r.dataFile());
  const QList<DataFileSection> recorded = readDataFile(r.dataFile());
  const qsizetype lines = textLogRegisters(dir).size();
  r.clock(0);
  r.start();
  if (HasFatalFailure()) return;
  r.stop();

  const qint64 reached = restartRegister(dir, lines);
  EXPECT_LE(std::fabs(double(reached) - r.recordedWh()), 1.0)
      << reached << " Wh on going on-line, " << r.recordedWh() << " Wh at the last recorded reading\n"
      << explained(r, dir);
  const QByteArray after = readTextFile(r.dataFile());
  EXPECT_TRUE(after == closedAfterKill(before, recorded));
  std::printf("LOAD register_after_kill case=%s register_wh=%lld expected_wh=%.0f cut=%lld\n",
              GetParam().name.c_str(), reached, r.recordedWh(), qlonglong(before.size() - after.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, RegisterAfterKill, ::testing::ValuesIn(registerCases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

namespace {

enum class End { Stopped, Killed, Reopened };
const char* const kEndNames[] = {"stopped", "killed", "reopened"};

// The bytes of a section header (and its first record) torn by a lost write, behind
// readings of which the last `set` read as the start of a header of ours.
struct Torn {
  int bytes = 0;
  End end = End::Stopped;
  int set = 0;
};
std::string tornName(const Torn& t) {
  return std::to_string(t.bytes) + "_bytes_" + kEndNames[int(t.end)] +
         (t.set > 0 ? "_behind_" + std::to_string(t.set) + "_like_a_header" : "");
}
void PrintTo(const Torn& t, std::ostream* os) { *os << tornName(t); }
std::vector<Torn> tornCases() {
  std::vector<Torn> cases;
  for (int bytes : {18, 30, 45, 55})
    for (End end : {End::Stopped, End::Killed}) cases.push_back({bytes, end});
  for (int set : {1, 2, 3}) cases.push_back({0, End::Stopped, set});
  for (int set : {2, 3})
    for (End end : {End::Killed, End::Reopened}) cases.push_back({0, end, set});
  for (End end : {End::Stopped, End::Killed}) cases.push_back({18, end, 2});
  return cases;
}
class TornHeader : public ::testing::TestWithParam<Torn> {};

// No load of a run found damage in the file.
void expectNoDamage(const QStringList& log) {
  for (const char* damage : {"loadZavDatNEW: ERROR", "*** File Error ***", "getZavFileData: ERROR"})
    EXPECT_TRUE(log.filter(damage).isEmpty()) << damage << "\n" << log.join('\n').toStdString();
}

}  // namespace

// Five readings, the last `set` counting like the version the program writes,
// timed like its sensor version, at its meter id's temperature (the controller
// repeats its frame while no pulse comes): as a record they read as the first 18
// bytes of its header. The program stopped (the header holds its count), killed
// (left open), or killed and started once more (which writes the count); then the
// first bytes of a new section dated now as the program writes it. The next start
// cuts those, and only those; behind an open section with no piece behind it, only
// its last reading, as such a piece; never one within a count. Two frames record
// behind them, and every later start finds every reading and the register.
TEST_P(TornHeader, behindTheLastSectionIsCutAtTheNextStart) {
  const auto [bytes, end, set] = GetParam();
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString dir = tmp.path();
  const int port = writeRecordingIni(dir, ::Setup{}.ini);
  ASSERT_NE(port, 0);
  Recording r(dir, {});
  r.start();
  r.frame(kWrittenFileVersion - 10, 0);
  r.readings(5 - set, 1500, 2.4);  // 1 Wh each
  for (int i = 0; i < set; ++i) r.frame(kWrittenFileVersion, kNewFrameDetectorVer, 1, 0);
  if (HasFatalFailure()) return;
  r.stop(end != End::Stopped);
  if (end == End::Reopened) {
    r.start();
    r.stop(true);
    r.lastCut();
  }
  const QByteArray recorded = readTextFile(r.dataFile());
  ASSERT_EQ(readDataFile(r.dataFile()).size(), 1);
  ASSERT_EQ(recorded.size(), 38 + (end == End::Reopened ? 4 : 5) * 18);
  // Version, sensor version and meter id (0) as the last record's count, timer and temperature.
  if (set > 0) {
    ASSERT_EQ(recorded.mid(8, 10).toHex(), recorded.right(10).toHex());
  }

  QByteArray piece = recorded.left(38) + recorded.right(18);  // header and record as the program writes them
  const double now = kDateEpoch.msecsTo(QDateTime::currentDateTime()) / 86400000.0;
  qToLittleEndian<double>(now, piece.data());
  qToLittleEndian<qint32>(0, piece.data() + 34);
  qToLittleEndian<double>(now, piece.data() + 38);
  qToLittleEndian<qint32>(r.records().last().count + 1, piece.data() + 46);
  writeTextFile(r.dataFile(), recorded + piece.left(bytes));

  const qsizetype lines = textLogRegisters(dir).size();
  // A second on: the web graph's default span ends in the first section holding the last reading's second.
  QThread::sleep(1);
  r.start();
  // Behind an open section with no piece behind it, its last reading is the piece.
  const bool lastCut = end == End::Killed && set > 0 && bytes == 0;
  if (lastCut) r.lastCut();
  r.readings(2, 1500, 2.4);  // the first only starts the count
  if (HasFatalFailure()) return;
  r.stop();
  QList<QList<WebPoint>> webGraphs;
  runForWebGraphs(r, port, webGraphs);
  if (HasFatalFailure()) return;

  const QStringList log = r.logs()[r.logs().size() - 2] + r.logs().last();
  EXPECT_EQ(log.filter(QRegularExpression("^ERROR .*torn tail cut: ")).size(), bytes > 0 || lastCut ? 1 : 0)
      << log.join('\n').toStdString();
  expectNoDamage(log);
  QByteArray kept = recorded.left(recorded.size() - (lastCut ? 18 : 0));
  if (end == End::Killed) qToLittleEndian<qint32>(qint32((kept.size() - 38) / 18), kept.data() + 34);
  const QByteArray after = readTextFile(r.dataFile());
  EXPECT_TRUE(after.left(kept.size()) == kept && after.size() == kept.size() + 38 + 18)
      << after.size() << " bytes after " << recorded.size() + bytes;
  Kept readings;
  expectEveryReadingKept(r, {}, webGraphs, readings);
  const qint64 reached = restartRegister(dir, lines);
  EXPECT_LE(std::fabs(double(reached) - r.registerWh()), 1.0) << explained(r, dir);
  std::printf("LOAD register_after_kill case=torn_header_%s register_wh=%lld expected_wh=%.0f cut=%lld\n",
              tornName(GetParam()).c_str(), reached, r.registerWh(),
              qlonglong(recorded.size() + bytes + 38 + 18 - after.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, TornHeader, ::testing::ValuesIn(tornCases()),
                         [](const ::testing::TestParamInfo<Torn>& info) { return tornName(info.param); });

// A standing meter repeats a frame that reads as the first 18 bytes of a header
// of ours: killed after its one reading at each of `starts` starts, behind four
// readings of a killed run. Every next start cuts that reading as a torn header
// and the section's header with it, whole; the last run records behind the four,
// and no start or load finds damage.
TEST(TornHeaderStandingMeter, killedAfterOneReadingAtEachStartLeavesNothingBehind) {
  for (const int starts : {1, 2, 4}) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path();
    const int port = writeRecordingIni(dir, ::Setup{}.ini);
    ASSERT_NE(port, 0);
    Recording r(dir, {});
    r.start();
    r.frame(kWrittenFileVersion - 10, 0);
    r.readings(4, 1500, 2.4);
    r.stop(true);
    for (int i = 0; i < starts && !HasFatalFailure(); ++i) {
      r.start();
      for (int f = 0; f < 2; ++f) r.frame(kWrittenFileVersion, kNewFrameDetectorVer, 1, 0);  // the first starts the count
      r.stop(true);
      r.lastCut();
    }
    const qsizetype lines = textLogRegisters(dir).size();
    QThread::sleep(1);  // the web graph's default span ends in the first section holding the last second
    r.start();
    r.readings(3, 1500, 2.4);
    if (HasFatalFailure()) return;
    r.stop();
    QList<QList<WebPoint>> webGraphs;
    runForWebGraphs(r, port, webGraphs);
    if (HasFatalFailure()) return;

    const QString cut = QStringLiteral(
        "torn tail cut: a section header with 0 records and 18 bytes behind it that hold no reading at position=111"
        "  bytes cut=56  fileLength=110");
    for (qsizetype run = 2; run < r.logs().size(); ++run) {
      const QStringList& log = r.logs()[run];
      EXPECT_EQ(log.filter(QRegularExpression("torn tail cut: ")).size(), run <= starts + 1 ? 1 : 0) << run;
      if (run <= starts + 1) EXPECT_EQ(log.filter(cut).size(), 1) << log.join('\n').toStdString();
      expectNoDamage(log);
    }
    const QList<DataFileSection> sections = readDataFile(r.dataFile());
    ASSERT_EQ(sections.size(), 2) << starts;
    EXPECT_EQ(sections[0].recordList.size(), 4);
    EXPECT_EQ(sections[1].recordList.size(), 2);
    EXPECT_EQ(readTextFile(r.dataFile()).size(), 2 * 38 + 6 * 18);
    Kept readings;
    expectEveryReadingKept(r, {}, webGraphs, readings);
    const qint64 reached = restartRegister(dir, lines);
    EXPECT_LE(std::fabs(double(reached) - r.registerWh()), 1.0) << explained(r, dir);
    std::printf("LOAD register_after_kill case=standing_meter_killed_at_%d_starts register_wh=%lld expected_wh=%.0f cut=%d\n",
                starts, reached, r.registerWh(), starts * 56);
  }
}

namespace {

// A data-file call strace reported: name, descriptor, bytes and offset of a pwrite.
struct FileCall {
  QString name;
  int fd = -1;
  qint64 bytes = 0, offset = 0;
};
QList<FileCall> dataFileCalls(const QString& trace) {
  static const QRegularExpression call(
      "^\\d+\\s+(pwrite64|fdatasync|fsync)\\((\\d+)<[^>]*/pwrData\\.ZAV>(?:, \"\"\\.\\.\\., (\\d+), "
      "(\\d+))?");
  QList<FileCall> out;
  for (const QString& line : QString::fromUtf8(readTextFile(trace)).split('\n')) {
    const QRegularExpressionMatch m = call.match(line);
    if (m.hasMatch())
      out.append(
          {m.captured(1), m.captured(2).toInt(), m.captured(3).toLongLong(), m.captured(4).toLongLong()});
  }
  return out;
}

std::string listed(const QList<FileCall>& calls) {
  std::string out;
  for (const FileCall& c : calls)
    out += QStringLiteral("%1(%2) %3 bytes at %4\n")
               .arg(c.name)
               .arg(c.fd)
               .arg(c.bytes)
               .arg(c.offset)
               .toStdString();
  return out;
}

struct SyncCase {
  const char* name;
  Setup setup;
  // From the first start to the first new section appended; the run under `traced` appends it.
  std::function<void(Recording&, const QStringList& traced)> record;
};

const SyncCase kSyncCases[] = {
    {"start_after_a_kill",
     {},
     [](Recording& r, const QStringList& traced) {
       r.start();
       r.frame(0, 0);
       r.readings(3, 1500, 2.4);
       r.stop(true);
       r.start({}, traced);       // writes the killed section's count
       r.readings(2, 1500, 2.4);  // the first frame only starts the count
     }},
    {"meter_constant_75_to_10000",
     {.ini = "ifType=2\r\nticksPerSec=125000\r\ncountsPerkWh=75\r\nrevsPerkWh=75\r\n", .wsPerCount = 48000},
     [](Recording& r, const QStringList& traced) {
       r.start("frmSetup.Text5(9)?;@6000 frmSetup.Text1(13)=10000", traced);
       r.frame(100, 0);
       r.readings(4, 1500, 32);
       ASSERT_TRUE(
           r.zav().waitFor([&] { return r.zav().logHas("testActions: frmSetup.Text5(9)=360"); }, 30000))
           << r.zav().log().join('\n').toStdString();
       r.countWith(360);
       r.readings(2, 1500, 0.24);
     }},
};

class SectionCountSynced : public ::testing::TestWithParam<SyncCase> {};
void PrintTo(const SyncCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

// The count a section's header gets, then a sync of the file, then the header of the
// section appended behind it: a crash between them never leaves the count unwritten
// behind a newer section, which would make the old section run on into the new one.
TEST_P(SectionCountSynced, beforeANewSectionIsAppended) {
  const SyncCase& c = GetParam();
  const QString strace = outsideTool({"strace"});
  ZAV_NEED_TOOL(!strace.isEmpty() && QProcess::execute(strace, {"-o", "/dev/null", "true"}) == 0,
                "strace (Debian package strace) traces the program's writes");
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString dir = tmp.path();
  ASSERT_NE(writeRecordingIni(dir, c.setup.ini), 0);
  const QString trace = dir + "/strace.txt";
  const QStringList traced{strace, "-f",  "-y", "-s", "0", "-e", "trace=pwrite64,write,fdatasync,fsync",
                           "-o",   trace, "--"};
  Recording r(dir, c.setup);
  c.record(r, traced);
  if (HasFatalFailure()) return;
  r.stop();

  // The section before each appended one, by the headers' positions in the file.
  QList<qint64> headers{0};
  for (const DataFileSection& s : readDataFile(r.dataFile()))
    headers.append(headers.last() + 38 + 18 * s.recordList.size());
  const QList<FileCall> calls = dataFileCalls(trace);
  int appended = 0;
  for (qsizetype i = 0; i < calls.size(); ++i) {
    if (calls[i].name != "pwrite64" || calls[i].bytes != 56 || calls[i].offset == 0) continue;
    appended += 1;
    const qsizetype section = headers.indexOf(calls[i].offset) - 1;
    ASSERT_GE(section, 0) << "append at " << calls[i].offset;
    qsizetype count = i - 1;
    while (count >= 0 && !(calls[count].name == "pwrite64" && calls[count].bytes == 38)) --count;
    ASSERT_GE(count, 0) << "no count written before the append at " << calls[i].offset;
    EXPECT_EQ(calls[count].offset, headers[section]);
    bool synced = false;
    for (qsizetype k = count + 1; k < i; ++k)
      synced |= calls[k].name != "pwrite64" && calls[k].fd == calls[count].fd;
    EXPECT_TRUE(synced) << "the count at " << calls[count].offset << " is not synced before the append at "
                        << calls[i].offset << "\n"
                        << listed(calls);
  }
  EXPECT_EQ(appended, 1) << listed(calls);
  const qint64 reached = textLogRegisters(dir).last().first;
  EXPECT_LE(std::fabs(double(reached) - r.registerWh()), 1.0) << explained(r, dir);
  std::printf("LOAD register_after_kill case=sync_%s register_wh=%lld expected_wh=%.0f cut=0\n", c.name,
              reached, r.registerWh());
}

INSTANTIATE_TEST_SUITE_P(Cases, SectionCountSynced, ::testing::ValuesIn(kSyncCases),
                         [](const ::testing::TestParamInfo<SyncCase>& info) {
                           return std::string(info.param.name);
                         });
