// The register after a kill goes on from the data file by the place of the
// reading the text log's last line logged, not by whole-second times: several
// readings share a second, and a restart can fall in the second of a kill.
#include "tests/meter/record/textlog_fixture.h"
#include "tests/meter/record/zav_bytes.h"

namespace {

Date at(int m, int s) { return dateFromDateTime(QDateTime(QDate(2024, 3, 1), QTime(14, m, s))); }

// A text-log line written here, not by the program: time, register, power.
QByteArray lineOn(const QByteArray& when, int wh, int power) {
  const QByteArray p = power < 0 ? "-" + QByteArray::number(-power).rightJustified(7, '0')
                                 : QByteArray::number(power).rightJustified(8, '0');
  return when + ' ' + QByteArray::number(wh).rightJustified(10, '0') + ' ' + p + "\r\n";
}
QByteArray line(int m, int s, int wh, int power) {
  return lineOn(QStringLiteral("2024-03-01 14:%1:%2").arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0')).toUtf8(),
                wh, power);
}
// Written while the PC clock said 1980.
QByteArray wrongClockLine(int wh, int power) { return lineOn("1980-01-01 12:00:05", wh, power); }

// Readings of one section (1200 Ws per count: 3 counts are 1 Wh per reading)
// at the given minute:second times, counts going on from `count`.
ZavBytes& section(ZavBytes& z, Date start, bool closed, const std::vector<std::pair<int, int>>& times,
                  int count = 0) {
  z.header(start, closed ? int(times.size()) : 0);
  for (const auto& [m, s] : times) z.record(at(m, s), count += 3, 0);
  return z;
}

std::vector<std::pair<int, int>> same(int n, int m, int s) { return std::vector<std::pair<int, int>>(n, {m, s}); }

class RegisterContinuation : public TextLogFiles {
 protected:
  const QString& zavLogFileName() const { return m_settings.zavLogFileName; }
  const QString& dataFileName() const { return m_settings.zavDatFileName[0]; }
};

TEST_F(RegisterContinuation, GoesOnAfterTheReadingTheLastLineLogged) {
  // Ten readings 0.12 s apart: nine in the first second, one in the next.
  std::vector<std::pair<int, int>> ten = same(9, 0, 0);
  ten.push_back({0, 1});
  ZavBytes tenReadings;
  section(tenReadings, at(0, 0), false, ten);
  // A run ended by SIGTERM, then one started in the same second (a clock
  // that stands still) and killed: each run's readings in a section of its own.
  const auto earlierRun = [] {
    ZavBytes z;
    return section(z, at(0, 0), true, same(10, 0, 0));
  };
  ZavBytes killedRun = earlierRun();
  section(killedRun, at(0, 0), false, same(3, 0, 0), 30);
  const QByteArray firstRun = line(0, 0, 100, -2) + line(0, 0, 101, 1500) + line(0, 0, 109, -4);
  // The killed run's section with a count too large and stray bytes behind it.
  QByteArray damagedRun = killedRun.b + QByteArray(20, '\xA7');
  damagedRun.replace(earlierRun().b.size() + 34, 4, ZavBytes().i32(40).b);
  // Readings 10 s apart with a synchronisation between them.
  ZavBytes synced;
  section(synced, at(0, 0), false, {{0, 0}, {0, 10}, {0, 20}, {0, 30}, {0, 30}});
  // Three of the ten records zeroed: the counts across them are the section's still.
  QByteArray zeroed = tenReadings.b;
  zeroed.replace(38 + 3 * 18, 3 * 18, QByteArray(3 * 18, '\0'));
  // The PC clock set back a minute after two readings.
  ZavBytes setBack;
  section(setBack, at(1, 0), false, {{1, 10}, {1, 20}, {0, 50}, {0, 55}});
  ZavBytes olderProgram;  // dated its section a second before the marker
  section(olderProgram, at(0, 0) - 1 / 86400.0, false, same(3, 0, 0));
  struct Row {
    const char* what;
    QByteArray log;
    QByteArray data;
    double wh;
    int readings;
  };
  for (const Row& r : {
           Row{"the first reading with a rate logged", line(0, 0, 100, -2) + line(0, 0, 101, 1500), tenReadings.b,
               109, 8},
           Row{"lines passed over above the last", line(0, 0, 100, -2) + "not ours\r\n" + line(0, 0, 101, 1500),
               tenReadings.b, 109, 8},
           Row{"every reading overwrote the line", line(0, 0, 100, -2) + line(0, 0, 106, 1500), tenReadings.b, 109,
               3},
           Row{"killed between a reading's record and its line", line(0, 0, 100, -2) + line(0, 0, 108, 1500),
               tenReadings.b, 109, 1},
           Row{"the last line is the on-line marker", line(0, 0, 100, -2), tenReadings.b, 109, 10},
           Row{"restart in the second of a SIGTERM, killed", firstRun + line(0, 0, 109, -2), killedRun.b, 111, 3},
           Row{"... and its first reading with a rate logged", firstRun + line(0, 0, 109, -2) + line(0, 0, 110, 1500),
               killedRun.b, 111, 1},
           Row{"... its count made too large, stray bytes behind", firstRun + line(0, 0, 109, -2), damagedRun,
               111, 3},
           Row{"... having recorded nothing", firstRun + line(0, 0, 109, -2), earlierRun().b, 109, 0},
           Row{"a later start that went on-line and recorded nothing", firstRun + line(0, 5, 109, -2),
               earlierRun().b, 109, 0},
           Row{"the off-line marker holds every reading", firstRun, earlierRun().b, 109, 0},
           Row{"synchronised, then a reading logged",
               line(0, 0, 100, -2) + line(0, 10, 101, 1500) + line(0, 15, 5000, -1) + line(0, 30, 5002, 1500),
               synced.b, 5003, 1},
           Row{"the section dated a second before the marker", line(0, 0, 100, -2), olderProgram.b, 102, 3},
           Row{"records zeroed in the midst of the period", line(0, 0, 100, -2), zeroed, 109, 7},
           // The clock went wrong behind the last recorded reading: its lines, not recorded, decide nothing.
           Row{"a line dated 1980 behind the last reading's",
               line(0, 0, 100, -2) + line(0, 1, 109, 1500) + wrongClockLine(110, 1500), tenReadings.b, 109, 0},
           Row{"only lines dated 1980 behind the marker",
               line(0, 0, 100, -2) + wrongClockLine(104, 1500) + wrongClockLine(110, 1500), tenReadings.b, 109, 10},
           Row{"a line dated 2300 behind an earlier reading's",
               line(0, 0, 100, -2) + line(0, 0, 105, 1500) + lineOn("2300-01-01 00:00:00", 110, 1500),
               tenReadings.b, 109, 4},
           Row{"synchronised while the clock said 1980",
               line(0, 0, 100, -2) + line(0, 1, 109, 1500) + wrongClockLine(5000, -1), tenReadings.b, 5000, 0},
           Row{"the off-line marker dated 1980", firstRun + wrongClockLine(120, -4), earlierRun().b, 120, 0},
           Row{"the clock set back, the marker out of reach", line(0, 50, 101, 1500), setBack.b, 102, 1},
       }) {
    writeTextFile(zavLogFileName(), r.log);
    writeTextFile(dataFileName(), r.data);
    m_log.clear();
    m_session.setRegister(0);
    m_session.loadLastLogLine();
    EXPECT_DOUBLE_EQ(m_session.energyWh(), r.wh) << r.what;
    EXPECT_EQ(m_log.contains(QStringLiteral("continued from the data file: %1 newer readings").arg(r.readings)),
              r.readings > 0)
        << r.what << "\n" << m_log.text().toStdString();
    EXPECT_EQ(readTextFile(dataFileName()), r.data) << r.what;  // only read
  }
}

// A header holds the Ws per count rounded to a whole number: readings of a
// section whose header holds the setting's rounding count at the setting, as
// the count processor counted them; another section's at its header's.
TEST_F(RegisterContinuation, CountsAtTheSettingWhereTheHeaderHoldsItsRounding) {
  const struct {
    double setting;
    int stored;
    double wh;  // 9 counts after the marker's reading
  } rows[] = {{1.8, 2, 9 * 1.8 / 3600}, {0.36, 0, 9 * 0.36 / 3600}, {1200, 1200, 3}, {3600, 1200, 3}};
  for (const auto& r : rows) {
    ZavBytes z;
    section(z, at(0, 0), false, {{0, 0}, {0, 10}, {0, 20}, {0, 30}});
    z.b.replace(24, 4, ZavBytes().i32(r.stored).b);
    writeTextFile(dataFileName(), z.b);
    writeTextFile(zavLogFileName(), line(0, 0, 100, -2));
    m_settings.WsPerCount = r.setting;
    apply();
    m_session.setRegister(0);
    m_session.loadLastLogLine();
    EXPECT_DOUBLE_EQ(m_session.energyWh(), 100 + r.wh) << r.setting;
  }
}

// Without the period's on-line marker the line's reading cannot be told from
// the others of its second: the register goes on after the latest of them,
// so nothing is counted twice.
TEST_F(RegisterContinuation, WithoutTheMarkerTheLatestReadingOfTheSecondCounts) {
  ZavBytes z;
  section(z, at(0, 0), false, {{0, 0}, {0, 0}, {0, 0}, {0, 1}, {0, 2}});
  writeTextFile(dataFileName(), z.b);
  writeTextFile(zavLogFileName(), line(0, 0, 101, 1500));
  m_session.loadLastLogLine();
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 103);
}

}  // namespace
