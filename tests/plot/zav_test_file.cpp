#include "zav_test_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <memory>

#include "core/settings/detector_types.h"

namespace {
void putLE(QByteArray& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void putDouble(QByteArray& out, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  putLE(out, bits, 8);
}
}  // namespace

QByteArray testFileBytes(const QVector<TestSection>& sections) {
  QByteArray out;
  for (const TestSection& s : sections) {
    putDouble(out, s.records.isEmpty() ? 0 : s.records.first().time);  // startTime
    putLE(out, static_cast<uint32_t>(s.version), 4);
    putLE(out, 24840, 4);  // sensorVer
    putLE(out, 0, 4);      // meterID
    putLE(out, static_cast<uint32_t>(s.ticksPerSec), 4);
    putLE(out, static_cast<uint32_t>(s.WsPerCount), 4);
    putLE(out, static_cast<uint32_t>(s.resetCount), 4);
    putLE(out, 0, 2);  // voltCount
    putLE(out, static_cast<uint32_t>(s.headerRecords >= 0 ? s.headerRecords : s.records.size()), 4);
    for (const TestRecord& r : s.records) {
      putDouble(out, r.time);
      putLE(out, r.count, 4);
      putLE(out, r.ticks, 4);
      putLE(out, static_cast<uint16_t>(r.temp), 2);
    }
  }
  return out;
}

dataFileIndex testFileIndex(const QVector<TestSection>& sections) {
  dataFileIndex ix;
  int64_t pos = 1;
  for (const TestSection& s : sections) {
    fileSection h{.startTime = s.records.isEmpty() ? 0 : s.records.first().time,
                  .version = s.version,
                  .sensorVer = kNewFrameDetectorVer,
                  .ticksPerSec = s.ticksPerSec,
                  .WsPerCount = s.WsPerCount,
                  .resetCount = s.resetCount,
                  .records = s.headerRecords >= 0 ? s.headerRecords : static_cast<int32_t>(s.records.size())};
    DataSection section{.from = pos, .header = h, .records = h.records};
    section.lastTime = s.records.isEmpty() ? 0 : s.records.last().time;
    if (h.records > 0) section.runs = {{.first = 0, .end = h.records}};
    appendSection(ix, section);
    pos += 38 + 18 * static_cast<int64_t>(s.records.size());
  }
  if (!sections.isEmpty()) {
    ix.firstRecordTime = ix.sections.first().header.startTime;
    ix.lastRecordTime = ix.sections.last().lastTime;
  }
  return ix;
}

QString TestPlotFiles::install(const QVector<TestSection>& sections, int slot) {
  static std::unique_ptr<QTemporaryDir> dir;
  if (!dir) dir = std::make_unique<QTemporaryDir>();
  static int serial = 0;
  const QString path = dir->filePath(QStringLiteral("pwrData%1.ZAV").arg(++serial));
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(testFileBytes(sections));
  settings.zavDatFileName[slot] = path;
  indexes[slot] = testFileIndex(sections);
  return path;
}

PlotFile TestPlotFiles::plotted() const {
  const int slot = plotFileSlot == 1 ? 1 : 0;
  return {.fileName = settings.zavDatFileName[slot],
          .index = indexes[slot],
          .byteTemperature = settings.ZAVdetectorVer >= kNewFrameDetectorVer,
          .lapTimes = settings.debugLevel >= 4};
}

PlotSource TestPlotFiles::source() const {
  return {.plotFileSlot = [this] { return plotFileSlot; },
          .autoPlot = [this] { return autoPlot; },
          .slotIndex = [this](int16_t slot) -> const dataFileIndex& { return indexes[slot]; }};
}

Date testTime(int y, int mo, int d, int h, int mi, double s) {
  Date day = 0;
  dateSerial(y, mo, d, day);
  return day + (h * 3600.0 + mi * 60.0 + s) / 86400.0;
}
