// Opening a data file for recording after a kill: the open section (header of
// 0 records) runs to the end, so the torn-tail walk and the loader look behind
// it for a later section header and check every record; and again once the file is closed, and once more
// with 64 KiB of zeros behind the torn record. Against a plain read of the same bytes.
// Also the register's continuation over every record of the file. And one open section clean and with
// every second record zeroed or stray bytes: opening it for recording, its index and a web graph of the
// whole file, each in a child process of its own for its peak memory. Run: build/bench_datafile [records]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "chart/graph_image.h"
#include "core/log/message_log.h"
#include "core/settings/settings.h"
#include "meter/record/data_file.h"
#include "meter/record/recorder.h"
#include "meter/record/register_continuation.h"
#include "meter/record/text_log.h"

namespace {

// The header of the files measured: an open section.
constexpr fileSection kOpenHeader{.startTime = 45352.5,
                                  .version = 1003000,
                                  .sensorVer = kNewFrameDetectorVer,
                                  .ticksPerSec = 62500,
                                  .WsPerCount = 3600};

QByteArray openSectionFile(int records) {
  const fileSection h = kOpenHeader;
  QByteArray out = packSection(h);
  out.reserve(kSectionBytes + qsizetype(records) * kRecordBytes + 9);
  meterRecord r;
  for (int i = 0; i < records; ++i) {
    r.recTime = h.startTime + i / 86400.0;
    r.count = 1002001 + i;  // counts that look like a version number
    r.ticks = i * 62500;
    r.temp = 0x50;
    out += packRecord(r);
  }
  return out + QByteArray(9, '\x01');  // a torn record
}

// The file as a kill leaves it: what was recorded before is on the disk, so
// the sync of the open section's count has only that count to write.
bool writeSynced(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush()) return false;
  return ::fsync(f.handle()) == 0;
}

// A record every second, of one open section, every second one damaged as
// `damage` says (0 none, 1 zeros, 2 stray bytes dated outside 1990-2200); the
// last is a reading, so opening it cuts nothing. Returns the readings.
int writeDamagedFile(const QString& path, int records, int damage) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return -1;
  const fileSection h = kOpenHeader;
  QByteArray out = packSection(h);
  int readings = 0;
  for (int i = 0; i < records; ++i) {
    QByteArray r = packRecord({.recTime = h.startTime + i / 86400.0, .count = i, .ticks = i * 62500, .temp = 0x50});
    if (damage > 0 && i % 2 == 1 && i + 1 < records) {
      for (int k = 0; k < kRecordBytes; ++k) r[k] = damage == 1 ? '\0' : char(0x9D + 7 * (i + k));
      if (recordIsReading(r.constData())) r[7] = '\x7F';
    } else {
      readings += 1;
    }
    out += r;
    if (out.size() >= (1 << 20)) {
      f.write(out);
      out.clear();
    }
  }
  f.write(out);
  f.flush();
  ::fsync(f.handle());  // recorded long before: its bytes are on the disk, as the open's sync finds them
  return readings;
}

// Milliseconds (median of three runs) and peak memory of `run` in a child
// process: the child starts from this process's small memory, and the kernel
// keeps the child's own peak (wait4's ru_maxrss).
struct Measured {
  double ms = -1;
  double peakMib = 0;
};
Measured inChild(int argc, char** argv, const std::function<void()>& prepare, const std::function<bool()>& run) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    QApplication app(argc, argv);
    MessageLog::setLevel(0);
    std::vector<double> ms;
    bool ok = true;
    for (int rep = 0; rep < 3; ++rep) {
      prepare();
      QElapsedTimer t;
      t.start();
      ok = run() && ok;
      ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ok ? ms[1] : -1;
    const ssize_t w = ::write(fds[1], &median, sizeof median);
    ::_exit(w == sizeof median ? 0 : 1);
  }
  ::close(fds[1]);
  Measured m;
  if (::read(fds[0], &m.ms, sizeof m.ms) != sizeof m.ms) m.ms = -1;
  ::close(fds[0]);
  int status = 0;
  struct rusage ru {};
  if (pid > 0 && ::wait4(pid, &status, 0, &ru) == pid) m.peakMib = ru.ru_maxrss / 1024.0;
  return m;
}

// Opening for recording, the index and a web graph (the factory's 300 points
// skipped through the file, and every record read and thinned to them) of the
// open section clean and damaged; ratio: against the clean file.
void damagedSectionCases(int argc, char** argv, const QString& dir, int records) {
  const QString path = dir + QStringLiteral("/damaged.ZAV");
  const char* kDamage[] = {"clean", "zeroed", "stray"};
  const char* kCase[] = {"open", "index", "graph", "graph_all"};
  Measured clean[4];
  for (int damage = 0; damage < 3; ++damage) {
    const int readings = writeDamagedFile(path, records, damage);
    // A kill left the section open: its count is 0 before every open.
    const auto reopen = [&] {
      QFile f(path);
      const int32_t zero = 0;
      if (f.open(QIODevice::ReadWrite) && f.seek(34)) f.write(reinterpret_cast<const char*>(&zero), 4);
    };
    const auto graph = [&](int16_t method) {
      Settings settings;
      settings.zavDatFileName[0] = path;
      settings.reduceMethod = method;
      settings.maxPlotPoints = 300;
      const GraphImage g = drawGraphImage(makeGraphImageJob(QString(), QStringLiteral("gif"), settings, dateNow()));
      return g.series.size() > 1 && g.series[1].points.size() > 1;
    };
    const std::function<bool()> runs[] = {
        [&] {
          Settings settings;
          settings.zavDatFileName[0] = path;
          DataFileSlots indexes;
          TextLog textLog;
          Recorder recorder(indexes, textLog);
          const bool ok = openOutZavDat(recorder, settings) && indexes[0].recordCount == readings;
          closeOutZavDat(recorder);
          return ok;
        },
        [&] {
          const Result<DataFileIndexRead> read = readDataFileIndex(path);
          return read && read->index.recordCount == readings;
        },
        [&] { return graph(kReduceSkip); },
        [&] { return graph(kReduceKeepMaxMin); }};
    for (int c = 0; c < 4; ++c) {
      const Measured m = inChild(argc, argv, reopen, runs[c]);
      if (damage == 0) clean[c] = m;
      std::printf("BENCH %s_%s records=%d readings=%d ms=%.1f peak_mib=%.1f ratio=%.2f peak_ratio=%.2f\n",
                  kCase[c], kDamage[damage], records, readings, m.ms, m.peakMib, m.ms / clean[c].ms,
                  m.peakMib / clean[c].peakMib);
      std::fflush(stdout);
    }
  }
  QFile::remove(path);
}

void report(const char* name, int records, double ms, double baseMs) {
  std::printf("BENCH %s records=%d ms=%.1f base_ms=%.1f ratio=%.2f\n", name, records, ms, baseMs, ms / baseMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000000;
  QTemporaryDir dir;
  // Before this process grows: each child's peak starts from here.
  damagedSectionCases(argc, argv, dir.path(), records);
  QApplication app(argc, argv);
  const QString path = dir.filePath("pwrData.ZAV");
  const QByteArray bytes = openSectionFile(records);
  MessageLog::setLevel(0);

  if (!writeSynced(path, bytes)) return 1;

  QElapsedTimer t;
  t.start();
  QFile plain(path);
  if (!plain.open(QIODevice::ReadOnly)) return 1;
  const qint64 got = plain.readAll().size();
  plain.close();
  const double readMs = t.nsecsElapsed() / 1e6;

  Settings settings;
  settings.zavDatFileName[0] = path;
  DataFileSlots indexes;
  TextLog textLog;
  Recorder recorder(indexes, textLog);
  // Milliseconds to open the file for recording; closed again behind.
  const auto timedOpen = [&](const char* what) {
    t.restart();
    openOutZavDat(recorder, settings);
    const double ms = t.nsecsElapsed() / 1e6;
    if (!recorder.isOpen() || indexes[0].recordCount != records) {
      std::fprintf(stderr, "%s failed: %d records of %d\n", what, indexes[0].recordCount, records);
    }
    closeOutZavDat(recorder);
    return ms;
  };
  const double openMs = timedOpen("open");

  // The text log's last line logged the second reading of the period its
  // on-line marker began: every reading is walked to find it.
  RegisterLog log;
  log.online = LogLine{.when = QString(), .time = 45352.5, .power = kOnlineMarker};
  log.last = LogLine{.when = QString(), .time = 45352.5 + 1 / 86400.0, .energyWh = 1, .power = 3600};
  t.restart();
  log.from = log.last;
  const RecordedEnergy e = energyRecordedAfter(path, log, 3600, {});
  const double energyMs = t.nsecsElapsed() / 1e6;
  if (e.readings != records - 2 || got != bytes.size()) {
    std::fprintf(stderr, "continued over %lld records\n", (long long)e.readings);
  }

  // The same file closed (its header holds the count), read as the web graph
  // reads it: the index alone.
  {
    QFile closed(path);
    const QByteArray count = QByteArray::fromRawData(reinterpret_cast<const char*>(&records), 4);
    if (!closed.open(QIODevice::ReadWrite) || !closed.seek(34) || closed.write(count) != 4) return 1;
  }
  t.restart();
  const Result<DataFileIndexRead> index = readDataFileIndex(path);
  const double indexMs = t.nsecsElapsed() / 1e6;
  if (!index || index->index.recordCount != records) {
    std::fprintf(stderr, "index read: %d records\n", index ? index->index.recordCount : -1);
  }

  // Opening the closed file for recording again: the usual start.
  const double reopenMs = timedOpen("reopen");

  // Left open by a kill with blocks the file system never filled behind it: 64 KiB of zeros to cut.
  if (!writeSynced(path, bytes + QByteArray(65536, '\0'))) return 1;
  const double zeroTailMs = timedOpen("open with a zero tail");

  report("open_after_kill_vs_read", records, openMs, readMs);
  report("open_closed_file_vs_read", records, reopenMs, readMs);
  report("index_of_closed_file_vs_read", records, indexMs, readMs);
  report("register_from_all_records_vs_read", records, energyMs, readMs);
  report("open_after_kill_zero_tail_vs_read", records, zeroTailMs, readMs);
  return 0;
}
