#pragma once
// A recording by the built program from frames written through a pseudo-terminal as
// the controllers send them, the PC clock moved by libfaketime, and what the program
// shows of it after a start: the text log's registers, the web graph's points, and
// every recorded reading found in the file, the index, the chart and the web graph.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cmath>
#include <memory>

#include "support/link_processes.h"
#include "support/pty_pair.h"
#include "tools/zav_frames.h"

inline const QString kFakeTimeLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");
constexpr qint64 kDay = 86400;
inline const QDateTime kDateEpoch(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime);

inline QDateTime dateTimeOf(double days) { return kDateEpoch.addSecs(qint64(std::llround(days * kDay))); }

// Seconds from now to a date, for the clock's offset.
inline qint64 secondsUntil(const QDate& date) {
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

  // A run of the program, on-line with its port open; under `wrapper` (strace) when given.
  void start(const QString& actions = QString(), const QStringList& wrapper = {}) {
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
    m_zav = std::make_unique<ZavProcess>(runDir(m_runs), QStringList{m_dir + "/"}, env, wrapper);
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

  // One frame as the controller sends it (temp: the second sensor's byte, 0x80
  // none); waits until the program took it.
  void frame(uint32_t count, uint32_t ticks, uint8_t status = 1, uint8_t temp = 0x80) {
    if (::testing::Test::HasFatalFailure()) return;
    zavsim::Reading r;
    r.count = count;
    r.ticks = ticks;
    r.status = status;
    r.temp2 = temp;
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
      m_recordedWh = m_registerWh;
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
      m_recordedWh = m_registerWh;
      m_expected.append({uint32_t(r[i].count), uint32_t(r[i].ticks), now()});
    }
  }

  // A start cut the last reading, which read as the start of a header torn behind
  // an open section; it repeated the count before it, so the register stays.
  void lastCut() { m_expected.removeLast(); }

  // The Ws per count the program counts with from now on (the setup changed it).
  void countWith(double ws) { m_ws = ws; }

  int sent() const { return m_sent; }
  double registerWh() const { return m_registerWh; }
  // The register after the last reading recorded (none is while the PC clock is wrong).
  double recordedWh() const { return m_recordedWh; }
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
  double m_recordedWh = 0;
  int m_sent = 0;
  QList<Expected> m_expected;
};

// The web graph's dump of its points (message level 4): record number, date and count of each.
struct WebPoint {
  int record = 0;
  QString date;
  uint32_t count = 0;
};
QList<WebPoint> webGraphPoints(const QStringList& log);

// The text log's lines: register and power field (the markers -0000002 on-line, -0000004 off-line).
QList<QPair<qint64, QByteArray>> textLogRegisters(const QString& dir);

// The file as a start after a kill leaves it: the open section's header gets its count.
QByteArray closedAfterKill(QByteArray bytes, const QList<DataFileSection>& sections);

// The folder's INI (recording on-line into dir's files, the web server on a free port)
// with `ini`'s lines added; returns the port.
int writeRecordingIni(const QString& dir, const QByteArray& ini);

// A run that opens the file for recording and draws the web graph as the web page asks
// for it (the file's first to last record), and over the span of the file's dates (a
// clock set back dates records before the first); the points of each.
void runForWebGraphs(Recording& r, int port, QList<QList<WebPoint>>& graphs);

// What a start after the recording shows of it.
struct Kept {
  qsizetype records = 0;
  int indexed = 0;
  qsizetype plotted = 0;
};
// The records: the readings taken while the clock was right, in order, dated by that
// clock; the sections dated by the clock when they began (a new section with new meter
// constants), each closed; in the index and the chart's points every record but the
// first, and the same points in each web graph.
void expectEveryReadingKept(const Recording& r, const Setup& setup, const QList<QList<WebPoint>>& webGraphs,
                            Kept& kept);
