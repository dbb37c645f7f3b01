// Reads plot data from a 50-million-record (900 MB) and a 1-million-record data
// file the way the web graph does, and compares with baselines of the same run.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "core/log/message_log.h"
#include "core/util/date_value.h"
#include "meter/record/zav_format.h"
#include "plot/plot_data_reader.h"
#include "plot/plot_file_view.h"

namespace {
constexpr int kSections = 5;
constexpr double kSecondsPerRecord = 2;  // on average; intervals alternate 1.5 s and 2.5 s
constexpr int32_t kTicksPerSec = 1000;

// Start time of the files: 2020-01-01 00:00 as days since 1899-12-30.
constexpr Date kT0 = 43831;

double recordSeconds(int64_t i) { return i * kSecondsPerRecord + (i % 2 ? -0.5 : 0); }

// Writes `records` records in kSections equal sections and returns their index.
dataFileIndex writeDataFile(const QString& path, int64_t records) {
  dataFileIndex ix;
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  const int64_t perSection = records / kSections;
  constexpr int64_t kChunk = 1 << 20;
  QByteArray buf;
  int64_t i = 0, total = 0, pos = 1;
  for (int s = 1; s <= kSections; ++s) {
    const int64_t n = s == kSections ? records - perSection * (kSections - 1) : perSection;
    const fileSection h{.startTime = kT0 + recordSeconds(i) / kSecondsPerDay,
                        .version = 1003000,
                        .ticksPerSec = kTicksPerSec,
                        .WsPerCount = 3600,
                        .resetCount = 1,
                        .records = static_cast<int32_t>(n)};
    buf.append(packSection(h));
    Date last = 0;
    for (int64_t k = 0; k < n; ++k, ++i) {
      char rec[kRecordBytes];
      const double sec = recordSeconds(i);
      last = kT0 + sec / kSecondsPerDay;
      qToLittleEndian(last, rec);
      qToLittleEndian(static_cast<uint32_t>(i + (i / 7) % 3), rec + 8);
      qToLittleEndian(static_cast<uint32_t>(std::llround(sec * kTicksPerSec)), rec + 12);
      qToLittleEndian(static_cast<int16_t>(40 + (i / 1000) % 30), rec + 16);
      buf.append(rec, kRecordBytes);
      if (buf.size() >= kChunk * kRecordBytes) {
        f.write(buf);
        buf.clear();
      }
    }
    total += n;
    appendSection(ix, {.from = pos,
                       .header = h,
                       .records = n,
                       .lastTime = last,
                       .runs = {{.first = 0, .end = static_cast<int32_t>(n)}}});
    pos += kSectionBytes + kRecordBytes * n;
  }
  f.write(buf);
  ix.firstRecordTime = ix.sections.first().header.startTime;
  ix.lastRecordTime = ix.sections.last().lastTime;
  return ix;
}

// Median wall time of `reps` runs, in seconds.
double medianSeconds(int reps, const std::function<void()>& fn) {
  std::vector<double> t;
  for (int r = 0; r < reps; ++r) {
    const auto a = std::chrono::steady_clock::now();
    fn();
    t.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

struct Plot {
  QString path;
  dataFileIndex index;
};

// One web-graph read of [from, to] with the given method; returns the points.
qsizetype readPlot(const Plot& plot, Date from, Date to, int16_t method) {
  // The chart keeps its read memory between reads.
  static const std::shared_ptr<PlotReadScratch> scratch = makePlotReadScratch();
  plotParamRecord p;
  p.fromTime = from;
  p.toTime = to;
  p.reduceMethod = method;
  p.maxPlotPoints = 300;
  p.y2ScaleMax = 50;
  QVector<plotSeries> series;
  if (!getPlotData(p, series, PlotFile{.fileName = plot.path, .index = plot.index}, *scratch)) return 0;
  return series.size() > 1 ? series[1].points.size() : 0;
}

// Plainly reads the bytes of records [firstRec, lastRec] (1-based, one file
// section each of the same size) in large blocks and touches every record.
uint64_t plainRead(const Plot& plot, int64_t firstRec, int64_t lastRec, int64_t blockBytes = 1 << 20) {
  QFile f(plot.path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return 0;
  const int64_t perSection = plot.index.sections.first().readings();
  const int64_t sec = (firstRec - 1) / perSection + 1;
  const int64_t begin = (firstRec - 1) * kRecordBytes + kSectionBytes * sec;
  const int64_t bytes = (lastRec - firstRec + 1) * kRecordBytes;
  f.seek(begin);
  static std::vector<char> buf;
  buf.resize(static_cast<size_t>(blockBytes));
  const int64_t block = blockBytes / kRecordBytes * kRecordBytes;
  uint64_t sum = 0;
  for (int64_t done = 0; done < bytes;) {
    const qint64 got = f.read(buf.data(), std::min(block, bytes - done));
    if (got <= 0) break;
    for (qint64 k = 0; k + kRecordBytes <= got; k += kRecordBytes)
      sum += qFromLittleEndian<uint32_t>(buf.data() + k + 8);
    done += got;
  }
  return sum;
}
// Drops the file's pages from the system's cache, so the next read comes from the disk.
void dropCache(const QString& path) {
  QFile f(path);
  if (f.open(QIODevice::ReadOnly)) posix_fadvise(f.handle(), 0, 0, POSIX_FADV_DONTNEED);
}
}  // namespace

int main(int argc, char** argv) {
  // The message window needs an application even when nothing is shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  MessageLog::setLevel(0);  // measure the reader, not the message window

  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  const auto w0 = std::chrono::steady_clock::now();
  const Plot big{dir.filePath("big.ZAV"), writeDataFile(dir.filePath("big.ZAV"), 50'000'000)};
  const Plot small{dir.filePath("small.ZAV"), writeDataFile(dir.filePath("small.ZAV"), 1'000'000)};
  std::printf("# files written in %.1f s (%lld bytes)\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count(),
              static_cast<long long>(QFile(big.path).size()));

  // Method 2 over the whole file: the cost must not grow with the file.
  readPlot(big, big.index.firstRecordTime, big.index.lastRecordTime, kReduceSkip);  // warm up
  const double all50 = medianSeconds(
      51, [&] { readPlot(big, big.index.firstRecordTime, big.index.lastRecordTime, kReduceSkip); });
  const double all1 = medianSeconds(
      51, [&] { readPlot(small, small.index.firstRecordTime, small.index.lastRecordTime, kReduceSkip); });
  std::printf("BENCH method2_all_50M_vs_1M t50M_ms=%.3f t1M_ms=%.3f ratio=%.2f\n", all50 * 1e3, all1 * 1e3,
              all50 / all1);

  // Method 2 over the last hour of the big file.
  const Date last = big.index.lastRecordTime;
  const double hour = medianSeconds(51, [&] { readPlot(big, last - 1 / 24.0, last, kReduceSkip); });
  std::printf("BENCH method2_1h_ms t1h_ms=%.3f tall_ms=%.3f ratio=%.2f\n", hour * 1e3, all50 * 1e3,
              hour / all50);

  // Method 1 over one month against plainly reading the same records, with
  // the bytes coming from the disk (the machine's limit for reading a file)
  // and from the system's cache.
  const Date monthFrom = last - 30;
  const int64_t n = big.index.recordCount;
  const int64_t firstRec =
      std::max<int64_t>(2, n - static_cast<int64_t>(30 * kSecondsPerDay / kSecondsPerRecord) - 2);
  const int64_t records = n - firstRec + 1;
  volatile uint64_t sink = 0;
  auto scan = [&] { readPlot(big, monthFrom, last, kReduceKeepMaxMin); };
  auto plain = [&] { sink = sink + plainRead(big, firstRec, n); };
  const double scanCold = medianSeconds(5, [&] { dropCache(big.path), scan(); });
  const double plainCold = medianSeconds(5, [&] { dropCache(big.path), plain(); });
  std::printf(
      "BENCH method1_month_vs_read records=%lld method1_rec_per_s=%.3g read_rec_per_s=%.3g ratio=%.2f\n",
      static_cast<long long>(records), records / scanCold, records / plainCold, plainCold / scanCold);
  // The same plain read in the scan's own read size, which this system may fetch faster.
  const double plainSmallCold = medianSeconds(5, [&] {
    dropCache(big.path);
    sink = sink + plainRead(big, firstRec, n, PlotFileView::kInOrderReadBytes);
  });
  std::printf(
      "BENCH method1_month_vs_read_scan_blocks records=%lld block_bytes=%lld read_rec_per_s=%.3g "
      "ratio=%.2f\n",
      static_cast<long long>(records), static_cast<long long>(PlotFileView::kInOrderReadBytes),
      records / plainSmallCold, plainSmallCold / scanCold);
  plain();
  const double scanCached = medianSeconds(5, scan);
  const double plainCached = medianSeconds(5, plain);
  std::printf(
      "BENCH method1_month_vs_read_cached records=%lld method1_rec_per_s=%.3g read_rec_per_s=%.3g "
      "ratio=%.2f\n",
      static_cast<long long>(records), records / scanCached, records / plainCached, plainCached / scanCached);
  return 0;
}
