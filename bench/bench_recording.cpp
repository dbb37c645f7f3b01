// What a section start costs the recorder: each reading with a new reset count
// ends the open section (its count written and synced before the next header
// follows it) and appends a header with its first record; against readings
// that only append their record. The file lies where the build does, on disk.
// Run: build/bench/bench_recording [readings]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "core/log/message_log.h"
#include "core/settings/detector_types.h"
#include "core/settings/settings.h"
#include "core/util/date_value.h"
#include "meter/record/data_file.h"
#include "meter/record/recorder.h"
#include "meter/record/text_log.h"

namespace {

// Microseconds a reading of `n` readings into a new file; `resetEvery`: a new
// reset count (a new section) every so many readings, 0 never.
double perReadingUs(const QString& dir, int n, int resetEvery) {
  Settings settings;
  settings.zavDatFileName[0] = dir + QStringLiteral("/pwrData.ZAV");
  QFile::remove(settings.zavDatFileName[0]);
  settings.ZAVdetectorVer = kNewFrameDetectorVer;
  settings.ticksPerSec = 62500;
  settings.WsPerCount = 3600;
  DataFileSlots indexes;
  TextLog textLog;
  Recorder recorder(indexes, textLog);
  if (!openOutZavDat(recorder, settings)) return -1;
  const Date start = dateNow();
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < n; ++i) {
    const int reset = resetEvery > 0 ? (i / resetEvery) % 16 : 0;
    const Reading r{.count = i, .ticks = i * 625, .temperature = 0, .voltage = 0, .status = 1, .resetCount = reset};
    if (!recorder.append(r, start + i / 86400.0).ok()) return -1;
  }
  const double us = t.nsecsElapsed() / 1e3 / n;
  closeOutZavDat(recorder);
  return us;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  MessageLog::setLevel(0);
  const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench_recording-XXXXXX"));
  if (!dir.isValid()) return 1;
  const double plain = perReadingUs(dir.path(), n, 0);
  const double starts = perReadingUs(dir.path(), n, 1);
  if (plain < 0 || starts < 0) return 1;
  std::printf("BENCH append_record readings=%d us_per_reading=%.1f base_us=%.1f ratio=1.00\n", n, plain, plain);
  std::printf("BENCH section_start_synced readings=%d us_per_start=%.1f base_us=%.1f extra_us=%.1f ratio=%.2f\n", n,
              starts, plain, starts - plain, starts / plain);
  return 0;
}
