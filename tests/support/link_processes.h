#pragma once
// The built program and the controller simulator as background processes for end-to-end
// tests of the meter link: the simulator prints its pty, the program runs headless with
// its log in a file, and both end by themselves (SIGTERM, then SIGKILL).

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>

class SimProcess {
 public:
  // Starts zav_sim with these arguments and waits for its "PTY path" or "TCP addr" line.
  explicit SimProcess(const QStringList& args);
  ~SimProcess();
  bool ok() const { return !m_endpoint.isEmpty(); }
  QString endpoint() const { return m_endpoint; }  // the pty device or "127.0.0.1:port"

 private:
  std::unique_ptr<QProcess> m_p;
  QString m_endpoint;
};

class ZavProcess {
 public:
  // Runs zav with `args` in `dir`, headless, ZAV_LOG_FILE in dir/log.txt, plus `env`; under
  // `wrapper` (a program and its arguments, zav's command line behind them) when given.
  ZavProcess(const QString& dir, const QStringList& args, const QProcessEnvironment& env,
             const QStringList& wrapper = {});
  ~ZavProcess();
  // Waits (running events) until `done` holds; false after `ms`.
  template <class F>
  bool waitFor(F done, int ms);
  // SIGTERM and wait for the end; true when it ended by itself.
  bool terminate(int ms = 10000);
  void kill();
  QStringList log() const;
  bool logHas(const QString& line) const { return log().contains(line); }
  bool logHasPart(const QString& part) const;
  QString stdErr();
  qint64 processId() const { return m_p->processId(); }

 private:
  // The program's own process, which signals go to: a wrapper's child (0 before it is made).
  qint64 programId() const;

  QString m_dir;
  std::unique_ptr<QProcess> m_p;
  bool m_wrapped = false;
};

// Records of a data file, read independently of the program: sections of a 38-byte header
// and 18-byte records, little-endian; a section whose header says 0 records is open and
// runs to the end of the file.
struct DataFileRecord {
  double recTime;
  int32_t count;
  int32_t ticks;
  int16_t temp;
};
struct DataFileSection {
  double startTime;
  int32_t version, sensorVer, meterID, ticksPerSec, wsPerCount, resetCount, records;
  int16_t voltCount;
  QList<DataFileRecord> recordList;
};
QList<DataFileSection> readDataFile(const QString& path, QString* problem = nullptr);

void writeTextFile(const QString& path, const QByteArray& bytes);
QByteArray readTextFile(const QString& path);

#include "support/pty_pair.h"

template <class F>
bool ZavProcess::waitFor(F done, int ms) {
  return runEventsUntil(done, ms);
}
