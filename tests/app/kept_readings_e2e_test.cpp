// Every reading the program records stays a reading when it starts again, whatever
// the controller's count and timer or the PC clock did: frames written through a
// pseudo-terminal as the controllers send them, the PC clock moved by libfaketime.
// Each case then starts the program once more and finds every recorded reading in
// the index, the chart's points and the web graph, nothing cut, no damage reported
// and the register going on from where it stood.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "support/link_processes.h"
#include "support/outside_tool.h"
#include "support/pty_pair.h"
#include "tools/loopback_socket.h"
#include "tools/whole_file_plot.h"
#include "tools/zav_frames.h"

namespace {

const QString kFakeTimeLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");
constexpr qint64 kDay = 86400;
const QDateTime kDateEpoch(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime);

QDateTime dateTimeOf(double days) { return kDateEpoch.addSecs(qint64(std::llround(days * kDay))); }

// Seconds from now to a date, for the clock's offset.
qint64 secondsUntil(const QDate& date) {
  return QDateTime::currentDateTime().secsTo(QDateTime(date, QTime(12, 0), Qt::LocalTime));
}

// What a case sets up: its INI lines beyond the common ones, the frame format, and
// the Ws per count and timer rate the controller's frames are made for.
struct Setup {
  QByteArray ini = "ifType=2\r\nticksPerSec=125000\r\n";
  enum Format { New, Old, Pulses } format = New;
  double wsPerCount = 3600;
  double ticksPerSec = 125000;
  QString actions = {};  // ZAV_TEST_ACTIONS of the first run
  bool fakeClock = false;
  QDate startClock = {};  // the PC clock's date at the first start (none: the real one)
  // The section headers' Ws per count in order, the last for every later one (none: not checked).
  QList<int> headerWs = {};
  // The clock was wrong when the period began: after a kill the register goes on
  // behind the last text-log line's second (the readings not recorded make the
  // period's start unknown).
  bool wrongAtStart = false;
};

// A reading the data file must hold: the frame's count and timer, dated by the PC clock when sent.
struct Expected {
  uint32_t count = 0;
  uint32_t ticks = 0;
  QDateTime at;
};

// A recording by the built program from frames written here. It tracks what the
// program must make of them: the records the data file must hold and the register
// the count processor reaches (its state starts anew at each start and at each
// change of the reset count, whose first frame it takes as the new count's start).
class Recording {
 public:
  Recording(const QString& dir, const Setup& setup) : m_dir(dir), m_setup(setup), m_ws(setup.wsPerCount) {
    writeTextFile(clockFile(), "+0\n");
  }

  QString dataFile() const { return m_dir + "/pwrData.ZAV"; }
  QString clockFile() const { return m_dir + "/faketime.rc"; }
  QString runDir(int run) const { return m_dir + QStringLiteral("/run%1").arg(run); }
  int runs() const { return m_runs; }
  ZavProcess& zav() { return *m_zav; }

  // A run of the program, on-line with its port open.
  void start(const QString& actions = QString()) {
    ASSERT_FALSE(m_zav) << "already running";
    ASSERT_TRUE(QDir().mkpath(runDir(++m_runs)));
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n) env.insert(QStringLiteral("ZAV_COM%1").arg(n), "/nonexistent/zav");
    env.insert("ZAV_COM3", m_line.slavePath());
    if (!actions.isEmpty()) env.insert("ZAV_TEST_ACTIONS", actions);
    if (m_setup.fakeClock) {
      env.insert("LD_PRELOAD", kFakeTimeLibrary);
      env.insert("FAKETIME_TIMESTAMP_FILE", clockFile());
      env.insert("FAKETIME_NO_CACHE", "1");
      env.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
      // The sanitizer's runtime wants to come first; libfaketime only wraps the clock calls.
      env.insert("ASAN_OPTIONS", qEnvironmentVariable("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    }
    m_zav = std::make_unique<ZavProcess>(runDir(m_runs), QStringList{m_dir + "/"}, env);
    m_latestReset = 0;
    m_havePrevious = false;
    ASSERT_TRUE(m_zav->waitFor([&] { return m_zav->logHasPart("openCom: opening com3"); }, 30000))
        << m_zav->log().join('\n').toStdString();
  }

  // SIGTERM: the program closes its file and goes off-line by itself; or SIGKILL.
  void stop(bool kill = false) {
    ASSERT_TRUE(m_zav);
    if (kill)
      m_zav->kill();
    else
      EXPECT_TRUE(m_zav->terminate()) << m_zav->log().join('\n').toStdString();
    m_logs.append(m_zav->log());
    m_zav.reset();
  }

  // The PC clock this many seconds off the real one, from now on.
  void clock(qint64 offset) {
    m_clockOffset = offset;
    writeTextFile(clockFile(), (offset < 0 ? "" : "+") + QByteArray::number(offset) + "\n");
  }
  QDateTime now() const { return QDateTime::currentDateTime().addSecs(m_clockOffset); }
  bool clockRight() const { return now().date().year() >= 1990 && now().date().year() < 2200; }

  // One frame as the controller sends it; waits until the program took it.
  void frame(uint32_t count, uint32_t ticks, uint8_t status = 1) {
    if (::testing::Test::HasFatalFailure()) return;
    zavsim::Reading r;
    r.count = count;
    r.ticks = ticks;
    r.status = status;
    if (m_setup.format == Setup::Old) r.pgmID = 24000;
    m_line.write(m_setup.format == Setup::Old ? zavsim::oldFrame(r) : zavsim::newFrame(r));
    m_sent += 1;
    m_count = count;
    m_ticks = ticks;
    m_status = status;
    const int reset = m_setup.format == Setup::Old ? 1 : status & 0x0F;
    if (reset != m_latestReset) {  // taken as the start of the new count, not as a reading
      m_latestReset = reset;
      m_havePrevious = false;
      return;
    }
    take(count);
    if (clockRight()) {
      m_expected.append({count, ticks, now()});
      waitForRecords();
    } else {
      const QString hex = QStringLiteral("  hex=") + QString::number(count, 16).toUpper();
      ASSERT_TRUE(m_zav->waitFor(
          [&] {
            for (const QString& l : m_zav->log())
              if (l.startsWith("  thisCount=") && l.endsWith(hex)) return true;
            return false;
          },
          20000))
          << "count " << count << " not taken\n"
          << m_zav->log().join('\n').toStdString();
    }
  }
  // n frames at this power, each `seconds` after the last by the controller's timer.
  void readings(int n, double watts, double seconds) {
    for (int i = 0; i < n && !::testing::Test::HasFatalFailure(); ++i)
      frame(m_count + countsIn(watts, seconds), m_ticks + ticksIn(seconds), m_status);
  }
  // Counts and timer jump on while the PC clock moves on with them: no frame came
  // for that long (a cable out, the program off). One frame then.
  void gap(qint64 seconds, double watts) {
    clock(m_clockOffset + seconds);
    frame(m_count + countsIn(watts, double(seconds)), m_ticks + ticksIn(double(seconds)), m_status);
  }
  // The controller lost power: its count and timer start again.
  void powerLoss(uint32_t count) { frame(count, 0, m_status); }

  // Plain pulse bytes, all at once; waits until the program counted them all (the
  // count it starts from is its own).
  void pulses(int n) {
    if (::testing::Test::HasFatalFailure()) return;
    const QList<DataFileRecord> before = records();
    m_line.write(QByteArray(n, char(0xF0)));
    m_sent += n;
    ASSERT_TRUE(m_zav->waitFor(
        [&] {
          const QList<DataFileRecord> r = records();
          return r.size() > before.size() &&
                 (before.isEmpty() || uint32_t(r.last().count - before.last().count) == uint32_t(n));
        },
        20000))
        << m_zav->log().join('\n').toStdString();
    const QList<DataFileRecord> r = records();
    for (qsizetype i = m_expected.size(); i < r.size(); ++i) {
      take(uint32_t(r[i].count));
      m_expected.append({uint32_t(r[i].count), uint32_t(r[i].ticks), now()});
    }
  }

  // The Ws per count the program counts with from now on (the setup changed it).
  void countWith(double ws) { m_ws = ws; }

  int sent() const { return m_sent; }
  double registerWh() const { return m_registerWh; }
  const QList<Expected>& expected() const { return m_expected; }
  const QList<QStringList>& logs() const { return m_logs; }

  QList<DataFileRecord> records() const {
    QList<DataFileRecord> all;
    for (const DataFileSection& s : readDataFile(dataFile())) all += s.recordList;
    return all;
  }

 private:
  uint32_t countsIn(double watts, double seconds) const {
    return uint32_t(std::llround(watts * seconds / m_ws));
  }
  uint32_t ticksIn(double seconds) const {
    return uint32_t(uint64_t(std::llround(seconds * m_setup.ticksPerSec)) & 0xFFFFFFFFu);
  }
  // What the count processor adds for a reading: the counts since the one before (none
  // for a count that went back) at the Ws per count it counts with.
  void take(uint32_t count) {
    const uint32_t counts = count - m_previous;  // modulo 2^32: the count wraps
    if (m_havePrevious && counts < 0x80000000u) m_registerWh += m_ws * counts / 3600;
    m_havePrevious = true;
    m_previous = count;
  }
  void waitForRecords() {
    ASSERT_TRUE(m_zav->waitFor([&] { return records().size() >= m_expected.size(); }, 20000))
        << records().size() << " of " << m_expected.size() << " records\n"
        << m_zav->log().join('\n').toStdString();
  }

  QString m_dir;
  Setup m_setup;
  PtyPair m_line;
  std::unique_ptr<ZavProcess> m_zav;
  QList<QStringList> m_logs;
  int m_runs = 0;
  qint64 m_clockOffset = 0;
  uint32_t m_count = 0, m_ticks = 0;
  uint8_t m_status = 1;
  int m_latestReset = 0;
  bool m_havePrevious = false;
  uint32_t m_previous = 0;
  double m_ws;
  double m_registerWh = 0;
  int m_sent = 0;
  QList<Expected> m_expected;
};

// At 1000 counts a kWh, 125000 ticks a second.
constexpr double k1500W = 1500;

// A steady power, `seconds` without a frame while on-line (or, clockOnly, the PC
// clock moved that far with frames going on), the same power again.
void aroundAGap(Recording& r, double watts, double step, qint64 seconds, bool clockOnly = false) {
  r.frame(0, 0);
  r.readings(4, watts, step);
  if (clockOnly) {
    r.clock(seconds);
  } else {
    r.gap(seconds, watts);
  }
  r.readings(4, watts, step);
}

// How many lines of the log match.
qsizetype linesMatching(const QStringList& log, const QString& pattern) {
  return log.filter(QRegularExpression(pattern)).size();
}

struct Case {
  const char* name;
  Setup setup;
  std::function<void(Recording&)> record;  // from the first start to the last reading
};

const Case kCases[] = {
    {"old_frames_power_loss",
     {.ini = "ifType=2\r\nticksPerSec=125000\r\nZAVdetectorVer=24000\r\n", .format = Setup::Old},
     [](Recording& r) {
       r.frame(49999, 0);           // the first frame starts the count
       r.readings(4, k1500W, 2.4);  // 50,000 .. 50,003
       r.powerLoss(0);
       r.readings(12, k1500W, 2.4);  // 1 .. 12
     }},
    {"new_frames_power_loss_same_reset_count",
     {},
     [](Recording& r) {
       r.frame(69999, 0);
       r.readings(4, k1500W, 2.4);  // .. 70,003
       r.powerLoss(3);
       r.readings(9, k1500W, 2.4);  // .. 12
     }},
    {"new_frames_16_resets_unseen",
     {},
     [](Recording& r) {
       r.frame(69999, 5000000, 0x07);
       r.readings(4, k1500W, 2.4);
       r.powerLoss(3);  // reset count 7 again: the 4-bit counter went round
       r.readings(9, k1500W, 2.4);
     }},
    {"burst_3000_counts_in_a_second",
     {},
     [](Recording& r) {
       r.frame(0, 0);
       r.readings(5, k1500W, 2.4);
       r.readings(1, 3000 * 3600.0, 1);  // +3,000 counts in one second
       r.readings(5, k1500W, 2.4);
     }},
    {"meter_constant_75_to_10000_while_recording",
     {.ini = "ifType=2\r\nticksPerSec=125000\r\ncountsPerkWh=75\r\nrevsPerkWh=75\r\n",
      .wsPerCount = 48000,
      .actions = "frmSetup.Text5(9)?;@6000 frmSetup.Text1(13)=10000",
      .headerWs = {48000, 360}},
     [](Recording& r) {
       r.frame(100, 0);
       r.readings(4, k1500W, 32);
       const QString changed = "testActions: frmSetup.Text5(9)=360";  // Ws per count as the setup shows it
       ASSERT_FALSE(r.zav().logHas(changed)) << "the setup changed before the first readings were taken";
       ASSERT_TRUE(r.zav().waitFor([&] { return r.zav().logHas(changed); }, 30000))
           << r.zav().log().join('\n').toStdString();
       r.countWith(360);
       r.readings(10, k1500W, 0.24);  // 133 times the counts a second at the same power
     }},
    {"plain_pulses_400_at_once",
     {.ini = "ifType=1\r\nticksPerSec=1000\r\nminUpdateInterval=0\r\n", .format = Setup::Pulses},
     [](Recording& r) {
       for (int i = 0; i < 4; ++i) r.pulses(1);
       r.pulses(400);
       for (int i = 0; i < 4; ++i) r.pulses(1);
     }},
    {"gap_7d37min_at_8kW_1MHz",
     {.ini = "ifType=2\r\nticksPerSec=1000000\r\n", .ticksPerSec = 1000000, .fakeClock = true},
     [](Recording& r) { aroundAGap(r, 8000, 0.45, 7 * kDay + 37 * 60); }},
    {"gap_3d_at_20kW",
     {.fakeClock = true},
     [](Recording& r) { aroundAGap(r, 20000, 0.18, 3 * kDay); }},
    {"gap_45d_at_15kW_125kHz",
     {.fakeClock = true},
     [](Recording& r) { aroundAGap(r, 15000, 0.24, 45 * kDay); }},
    {"gap_12h_at_900kW_36Ws",
     {.ini =
          "ifType=2\r\nticksPerSec=125000\r\ncountsPerkWh=100000\r\nrevsPerkWh=100000\r\npulsesPerRev=1\r\n"
          "maxMeterPower=1000000\r\n",
      .wsPerCount = 36,
      .fakeClock = true,
      .headerWs = {36}},
     [](Recording& r) { aroundAGap(r, 900000, 0.04, 12 * 3600); }},
    {"header_ws_1_8_stored_as_2_at_950kW",
     {.ini =
          "ifType=2\r\nticksPerSec=125000\r\ncountsPerkWh=100000\r\nrevsPerkWh=100000\r\npulsesPerRev=20\r\n"
          "maxMeterPower=1000000\r\n",
      .wsPerCount = 1.8,
      .headerWs = {2}},
     [](Recording& r) {
       r.frame(0, 0);
       r.readings(10, 950000, 1);
     }},
    {"header_ws_0_36_stored_as_0",
     {.ini = "ifType=2\r\nticksPerSec=125000\r\ncountsPerkWh=100000\r\nrevsPerkWh=100000\r\n"
             "pulsesPerRev=100\r\n",
      .wsPerCount = 0.36,
      .headerWs = {0}},
     [](Recording& r) {
       r.frame(0, 0);
       r.readings(4, 40, 9);  // 1,000 counts in 9 s
       r.readings(4, 3600, 1);
       r.readings(4, 250000, 0.5);
     }},
    {"clock_set_back_an_hour",
     {.fakeClock = true},
     [](Recording& r) { aroundAGap(r, k1500W, 2.4, -3600, true); }},
    {"clock_set_back_a_day",
     {.fakeClock = true},
     [](Recording& r) { aroundAGap(r, k1500W, 2.4, -kDay, true); }},
    {"a_week_with_the_program_off",
     {.fakeClock = true},
     [](Recording& r) {
       r.frame(0, 0);
       r.readings(4, k1500W, 2.4);
       r.stop();
       r.clock(7 * kDay);
       r.start();
       r.readings(1, k1500W, 7.0 * kDay);  // the first frame after the start: the week's 252,000 counts on
       r.readings(4, k1500W, 2.4);
     }},
    {"timer_wraps_at_1MHz",
     {.ini = "ifType=2\r\nticksPerSec=1000000\r\n", .ticksPerSec = 1000000, .fakeClock = true},
     [](Recording& r) {
       r.frame(0, 0xFFFFFFFFu - 3500000);
       r.readings(6, 3600, 1);  // across the wrap
       r.gap(90 * 60, 3600);    // past a whole round of the timer
       r.readings(4, 3600, 1);
     }},
    {"pc_clock_at_1980_then_set_right",
     {.fakeClock = true, .startClock = QDate(1980, 1, 6), .wrongAtStart = true},
     [](Recording& r) {
       r.frame(0, 0);
       r.readings(4, k1500W, 2.4);
       r.clock(0);
       r.readings(4, k1500W, 2.4);
       r.clock(secondsUntil(QDate(1980, 1, 6)));  // wrong again for a while
       r.readings(3, k1500W, 2.4);
       r.clock(0);
       r.readings(4, k1500W, 2.4);
       const QStringList log = r.zav().log();
       const QString time = "\\d\\d:\\d\\d:\\d\\d";
       EXPECT_EQ(linesMatching(log, "^ERROR newMeterCount: ERROR the PC clock says 1980-01-0[56] " + time +
                                        ": no reading is recorded until it is set to a date of 1990-2200$"),
                 2)
           << log.join('\n').toStdString();
       EXPECT_EQ(linesMatching(log, "^newMeterCount: the PC clock says \\d{4}-\\d\\d-\\d\\d " + time + ": recording goes on$"),
                 2)
           << log.join('\n').toStdString();
     }},
};

// The web graph's dump of its points (message level 4): record number, date and count of each.
struct WebPoint {
  int record = 0;
  QString date;
  uint32_t count = 0;
};
QList<WebPoint> webGraphPoints(const QStringList& log) {
  QList<WebPoint> points;
  const qsizetype at = log.lastIndexOf("all points:");
  if (at < 0) return points;
  static const QRegularExpression line(
      "^\\s*[\\d,]+\\s+(\\d+)\\s+\\d+\\s+(\\d{4}-\\d\\d-\\d\\d(?: "
      "\\d\\d:\\d\\d:\\d\\d)?)\\s+-?[\\d,]+\\s+([0-9A-F]+)\\s");
  for (qsizetype i = at + 2; i < log.size(); ++i) {
    const QRegularExpressionMatch m = line.match(log[i]);
    if (!m.hasMatch()) break;
    points.append({m.captured(1).toInt(), m.captured(2), m.captured(3).toUInt(nullptr, 16)});
  }
  return points;
}

// The date as the dump shows it: no time at midnight.
QString dumpDate(double days) {
  const QDateTime t = dateTimeOf(days);
  return t.toString(t.time() == QTime(0, 0) ? "yyyy-MM-dd" : "yyyy-MM-dd HH:mm:ss");
}

// The text log's lines: register and power field (the markers -0000002 on-line, -0000004 off-line).
QList<QPair<qint64, QByteArray>> textLogRegisters(const QString& dir) {
  QList<QPair<qint64, QByteArray>> out;
  for (const QByteArray& line : readTextFile(dir + "/zavLog.TXT").split('\n')) {
    const QList<QByteArray> f = line.simplified().split(' ');
    if (f.size() >= 4) out.append({f[2].toLongLong(), f[3]});
  }
  return out;
}

// The file as a start after a kill leaves it: the open section's header gets its count.
QByteArray closedAfterKill(QByteArray bytes, const QList<DataFileSection>& sections) {
  qsizetype at = 0;
  for (const DataFileSection& s : sections) {
    if (s.records == 0 && !s.recordList.isEmpty())
      qToLittleEndian<qint32>(qint32(s.recordList.size()), bytes.data() + at + 34);
    at += 38 + 18 * s.recordList.size();
  }
  return bytes;
}

enum class End { Stopped, Killed };

class KeptReadings : public ::testing::TestWithParam<std::tuple<Case, End>> {};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
void PrintTo(End end, std::ostream* os) { *os << (end == End::Killed ? "killed" : "stopped"); }

}  // namespace

// The last run ends by itself or by SIGKILL; a start then opens the file for
// recording and draws the web graph of every record in it.
TEST_P(KeptReadings, everyRecordedReadingIsKeptAfterAStart) {
  const auto& [c, end] = GetParam();
  if (c.setup.fakeClock) {
    ZAV_NEED_TOOL(QFile::exists(kFakeTimeLibrary),
                  "libfaketime (Debian package faketime) moves the PC clock");
  }
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString dir = tmp.path();
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  const int port = probe.serverPort();
  probe.close();
  ASSERT_TRUE(QDir().mkpath(dir + "/www"));
  writeTextFile(dir + "/zav.INI", "startOnLine=1\r\nrunWebServer=1\r\nwebServerPort=\"" +
                                      QByteArray::number(port) + "\"\r\nwebRoot=\"" +
                                      (dir + "/www").toUtf8() +
                                      "\"\r\ncomPort=3\r\nwriteToZAVdataFile=1\r\nwriteToZAVtextFile=1\r\n"
                                      "overWriteLast=0\r\nreduceMethod=0\r\n" +
                                      c.setup.ini);

  Recording r(dir, c.setup);
  if (c.setup.startClock.isValid()) r.clock(secondsUntil(c.setup.startClock));
  r.start(c.setup.actions);
  if (HasFatalFailure()) return;
  c.record(r);
  if (HasFatalFailure()) return;
  r.stop(end == End::Killed);
  const QByteArray before = readTextFile(r.dataFile());
  const QList<DataFileSection> recorded = readDataFile(r.dataFile());
  const QList<QPair<qint64, QByteArray>> registersBefore = textLogRegisters(dir);
  double earliest = 1e9, latest = -1e9;
  for (const DataFileSection& s : recorded) {
    for (const DataFileRecord& rec : s.recordList) {
      earliest = std::min(earliest, rec.recTime);
      latest = std::max(latest, rec.recTime);
    }
  }
  ASSERT_LE(earliest, latest) << "nothing recorded";

  r.start();
  if (HasFatalFailure()) return;
  // The graph as the web page asks for it (the file's first to last record), and over
  // the whole span of dates: a clock set back dates records before the first.
  QList<QList<WebPoint>> webGraphs;
  for (const QByteArray& query :
       {QByteArray(), "?s=" + dateTimeOf(earliest).addSecs(-1).toString(Qt::ISODate).toUtf8() +
                          "&e=" + dateTimeOf(latest).addSecs(1).toString(Qt::ISODate).toUtf8()}) {
    const QByteArray picture = getWholeAnswer(port, "/zavPlot.png" + query, 60);
    EXPECT_TRUE(picture.startsWith("HTTP/1.1 200")) << picture.left(200).toStdString();
    ASSERT_TRUE(r.zav().waitFor([&] { return r.zav().log().count("all points:") > webGraphs.size(); }, 20000))
        << r.zav().log().join('\n').toStdString();
    webGraphs.append(webGraphPoints(r.zav().log()));
  }
  r.stop();

  // Nothing cut or changed but a killed run's header count, nothing reported damaged, in any run.
  const QByteArray after = readTextFile(r.dataFile());
  EXPECT_EQ(after.size(), before.size());
  EXPECT_TRUE(after == (end == End::Killed ? closedAfterKill(before, recorded) : before));
  for (const QStringList& log : r.logs()) {
    for (const char* damage :
         {"loadZavDatNEW: ERROR", "torn tail cut", "*** File Error ***", "getZavFileData: ERROR"})
      EXPECT_TRUE(log.filter(damage).isEmpty()) << damage << "\n" << log.join('\n').toStdString();
  }

  // The records: the readings taken while the clock was right, in order, dated by that clock; the
  // sections dated by the clock when they began (a new section with new meter constants).
  QString problem;
  const QList<DataFileSection> sections = readDataFile(r.dataFile(), &problem);
  EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
  QList<RecordKey> keys;
  QList<DataFileRecord> all;
  for (qsizetype k = 0; k < sections.size(); ++k) {
    const DataFileSection& s = sections[k];
    EXPECT_EQ(s.records, s.recordList.size());
    EXPECT_TRUE((k == 0 && c.setup.wrongAtStart) || (s.startTime >= 32874 && s.startTime < 109940))
        << s.startTime;
    const QList<int>& ws = c.setup.headerWs;
    EXPECT_TRUE(ws.isEmpty() || s.wsPerCount == ws[std::min(k, ws.size() - 1)]) << k << ": " << s.wsPerCount;
    for (const DataFileRecord& rec : s.recordList) {
      keys.append({.recTime = rec.recTime, .count = rec.count});
      all.append(rec);
      EXPECT_TRUE(rec.recTime >= 32874 && rec.recTime < 109940) << rec.recTime;
    }
  }
  const QList<Expected>& sent = r.expected();
  ASSERT_EQ(keys.size(), sent.size());
  for (qsizetype i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(uint32_t(all[i].count), sent[i].count) << i;
    EXPECT_EQ(uint32_t(all[i].ticks), sent[i].ticks) << i;
    const QDateTime dated = dateTimeOf(all[i].recTime);
    EXPECT_LE(std::abs(dated.secsTo(sent[i].at)), 60)
        << i << ": " << dated.toString(Qt::ISODate).toStdString() << " for "
        << sent[i].at.toString(Qt::ISODate).toStdString();
  }

  // In the index and the chart's points: every record but the first, which only starts the first point's
  // interval.
  const WholeFilePlot chart = plotWholeFile(r.dataFile(), keys);
  EXPECT_EQ(chart.indexed, keys.size());
  EXPECT_TRUE(chart.problem.isEmpty()) << chart.problem.toStdString();
  EXPECT_EQ(chart.points, keys.size() - 1);

  // In the web graph: the same points.
  for (const QList<WebPoint>& web : webGraphs) {
    ASSERT_EQ(web.size(), keys.size() - 1);
    for (qsizetype i = 0; i < web.size(); ++i) {
      EXPECT_EQ(web[i].record, i + 2);
      EXPECT_EQ(web[i].count, uint32_t(keys[i + 1].count)) << i;
      EXPECT_EQ(web[i].date, dumpDate(keys[i + 1].recTime)) << i;
    }
  }

  // The register goes on: each start's on-line marker carries what the run before
  // reached, the counts of every reading taken (a kill's last ones from the data file).
  const QList<QPair<qint64, QByteArray>> registers = textLogRegisters(dir);
  ASSERT_EQ(registers.size(), registersBefore.size() + 2);
  const std::string textLog = readTextFile(dir + "/zavLog.TXT").toStdString();
  for (qsizetype i = 1; i < registers.size(); ++i) {
    if (registers[i].second == "-0000002" && registers[i - 1].second == "-0000004") {
      EXPECT_EQ(registers[i].first, registers[i - 1].first) << "line " << i + 1 << "\n" << textLog;
    }
  }
  const qint64 reached = registers[registersBefore.size()].first;
  EXPECT_EQ(registers[registersBefore.size()].second, "-0000002");
  const bool lastSecondOnly = end == End::Killed && c.setup.wrongAtStart;
  if (lastSecondOnly) {
    EXPECT_GE(reached, registers[registersBefore.size() - 1].first);
    EXPECT_LE(double(reached), r.registerWh() + 1.0);
  }
  EXPECT_TRUE(lastSecondOnly || std::fabs(double(reached) - r.registerWh()) <= 1.0)
      << reached << " Wh on going on-line, " << r.registerWh() << " Wh counted\n"
      << textLog << r.logs().last().filter("loadLastLogLine").join('\n').toStdString();

  std::printf(
      "LOAD recorded_readings case=%s%s sent=%d recorded=%lld indexed=%d plotted=%lld web_points=%lld "
      "cut=%lld register_wh=%lld runs=%d\n",
      c.name, end == End::Killed ? "_killed" : "", r.sent(), qlonglong(keys.size()), chart.indexed,
      qlonglong(chart.points), qlonglong(webGraphs.last().size()), qlonglong(before.size() - after.size()),
      reached, r.runs());
}

INSTANTIATE_TEST_SUITE_P(Cases, KeptReadings,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(End::Stopped, End::Killed)),
                         [](const ::testing::TestParamInfo<std::tuple<Case, End>>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == End::Killed ? "_killed" : "");
                         });
