// Every reading the program records stays a reading when it starts again, whatever
// the controller's count and timer or the PC clock did: frames written through a
// pseudo-terminal as the controllers send them, the PC clock moved by libfaketime.
// Each case then starts the program once more and finds every recorded reading in
// the index, the chart's points and the web graph, nothing cut, no damage reported
// and the register going on from where it stood.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "app/support/recording.h"
#include "support/outside_tool.h"

namespace {

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
  const int port = writeRecordingIni(dir, c.setup.ini);
  ASSERT_NE(port, 0);

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
  ASSERT_FALSE(r.records().isEmpty()) << "nothing recorded";

  QList<QList<WebPoint>> webGraphs;
  runForWebGraphs(r, port, webGraphs);
  if (HasFatalFailure()) return;

  // Nothing cut or changed but a killed run's header count, nothing reported damaged, in any run.
  const QByteArray after = readTextFile(r.dataFile());
  EXPECT_EQ(after.size(), before.size());
  EXPECT_TRUE(after == (end == End::Killed ? closedAfterKill(before, recorded) : before));
  for (const QStringList& log : r.logs()) {
    for (const char* damage :
         {"loadZavDatNEW: ERROR", "torn tail cut", "*** File Error ***", "getZavFileData: ERROR"})
      EXPECT_TRUE(log.filter(damage).isEmpty()) << damage << "\n" << log.join('\n').toStdString();
  }

  Kept kept;
  expectEveryReadingKept(r, c.setup, webGraphs, kept);
  if (HasFatalFailure()) return;

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
      c.name, end == End::Killed ? "_killed" : "", r.sent(), qlonglong(kept.records), kept.indexed,
      qlonglong(kept.plotted), qlonglong(webGraphs.last().size()), qlonglong(before.size() - after.size()),
      reached, r.runs());
}

INSTANTIATE_TEST_SUITE_P(Cases, KeptReadings,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(End::Stopped, End::Killed)),
                         [](const ::testing::TestParamInfo<std::tuple<Case, End>>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == End::Killed ? "_killed" : "");
                         });
