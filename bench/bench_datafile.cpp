// Opening a data file for recording after a kill: the open section (header of
// 0 records) runs to the end, so the torn-tail walk and the loader look behind
// it for a later section header and check every record; and again once the file is closed, and once more
// with 64 KiB of zeros behind the torn record. Against a plain read of the same bytes.
// Also the register's continuation over every record of the file. Run: build/bench_datafile [records]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/log/message_log.h"
#include "core/settings/settings.h"
#include "meter/record/data_file.h"
#include "meter/record/recorder.h"
#include "meter/record/register_continuation.h"
#include "meter/record/text_log.h"

namespace {

QByteArray openSectionFile(int records) {
  fileSection h{.startTime = 45352.5,
                .version = 1003000,
                .sensorVer = kNewFrameDetectorVer,
                .ticksPerSec = 62500,
                .WsPerCount = 3600};
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

void report(const char* name, int records, double ms, double baseMs) {
  std::printf("BENCH %s records=%d ms=%.1f base_ms=%.1f ratio=%.2f\n", name, records, ms, baseMs, ms / baseMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000000;
  QTemporaryDir dir;
  const QString path = dir.filePath("pwrData.ZAV");
  const QByteArray bytes = openSectionFile(records);
  MessageLog::setLevel(0);

  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return 1;
  f.close();

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
  {
    QFile zeroTail(path);
    if (!zeroTail.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        zeroTail.write(bytes + QByteArray(65536, '\0')) != bytes.size() + 65536)
      return 1;
  }
  const double zeroTailMs = timedOpen("open with a zero tail");

  report("open_after_kill_vs_read", records, openMs, readMs);
  report("open_closed_file_vs_read", records, reopenMs, readMs);
  report("index_of_closed_file_vs_read", records, indexMs, readMs);
  report("register_from_all_records_vs_read", records, energyMs, readMs);
  report("open_after_kill_zero_tail_vs_read", records, zeroTailMs, readMs);
  return 0;
}
