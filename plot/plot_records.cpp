#include "plot/plot_records.h"

#include <QFile>
#include <algorithm>
#include <cmath>

#include "core/log/logmsg.h"
#include "core/settings/derived_constants.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "platform/tick_clock.h"

QString logTime(Date d) { return formatDate(d, kDateTimeFormat); }

QString elapsedSince(int32_t tick) {
  return formatNumber(static_cast<uint32_t>(timeGetTime() - tick) / 1000.0, QStringLiteral("#,0.000")) +
         QStringLiteral(" seconds");
}

void fitIndexToFile(plotFileIndex& index, int headerBytes) {
  dataFileIndex& ix = index.index;
  const int64_t fileSize = index.file->size();
  const int32_t promised = ix.recordCount;
  ix.sectionCount = std::clamp<int32_t>(
      ix.sectionCount, 0,
      static_cast<int32_t>(std::min(ix.sectionHeaders.size(), ix.sectionLastTime.size())) - 1);
  ix.sectionEndRecord.resize(ix.sectionCount + 1);
  ix.sectionEndRecord[0] = 0;
  int64_t total = 0;
  for (int32_t s = 1; s <= ix.sectionCount; ++s) {
    fileSection& h = ix.sectionHeaders[s];
    const int64_t start = recordOffset(ix, static_cast<int32_t>(std::min<int64_t>(total + 1, INT32_MAX)), s, headerBytes);
    const int64_t fits = fileSize > start ? (fileSize - start) / kRecordBytes : 0;
    const int64_t records = std::max<int64_t>(h.records, 0);
    if (fits < records || total + records > INT32_MAX) {
      h.records = static_cast<int32_t>(std::min<int64_t>(fits, INT32_MAX - total));
      total += h.records;
      ix.sectionEndRecord[s] = static_cast<int32_t>(total);
      ix.sectionCount = h.records > 0 ? s : s - 1;
      RawRecord last;
      if (h.records > 0 &&
          readRaw(*index.file, recordOffset(ix, static_cast<int32_t>(total), s, headerBytes), last)) {
        ix.sectionLastTime[s] = last.recTime;
        ix.lastRecordTime = last.recTime;
      }
      ix.recordCount = static_cast<int32_t>(total);
      logMsg(-1, QStringLiteral("getZavFileData: ERROR the file ends after record %1 of %2: %3")
                     .arg(total)
                     .arg(promised)
                     .arg(index.fileName));
      break;
    }
    h.records = static_cast<int32_t>(records);
    total += records;
    ix.sectionEndRecord[s] = static_cast<int32_t>(total);
  }
  ix.sectionHeaders.resize(ix.sectionCount + 1);
  ix.sectionLastTime.resize(ix.sectionCount + 1);
  ix.sectionEndRecord.resize(ix.sectionCount + 1);
  ix.recordCount = static_cast<int32_t>(ix.sectionEndRecord[ix.sectionCount]);
}

QString pointDumpHeader() {
  return QStringLiteral(
      " point  recordNr  secNr        Date     Time       thisCount  hexCount       thisTicks  hexTicks  "
      "thisTemp"
      "       usedDTsec       usedCount       usedTicks        used_kWh        usedTsec    power  temp°C");
}

QString pointDumpLine(const PointDump& f) {
  const QString sep = QStringLiteral("  ");
  auto hex = [](uint32_t v) { return QString::number(v, 16).toUpper().rightJustified(8, u' '); };
  return formatRight(f.p, QStringLiteral("##,##0")) + sep + formatRight(f.rec, QStringLiteral("#######0")) +
         sep + formatRight(f.sec, QStringLiteral("####0")) + sep + generalDate(f.r.recTime) + sep +
         formatRight(f.r.count, QStringLiteral("##,###,###,##0")) + sep + hex(f.r.count) + sep +
         formatRight(f.r.ticks, QStringLiteral("##,###,###,##0")) + sep + hex(f.r.ticks) + sep +
         formatRight(f.r.temp, QStringLiteral("####,##0")) + sep +
         formatRight(f.dtSec, QStringLiteral("##,###,###,##0")) + sep +
         formatRight(f.dCount, QStringLiteral("##,###,###,##0")) + sep +
         formatRight(f.dTicks, QStringLiteral("##,###,###,##0")) + sep +
         formatRight(f.ws / kWsPerkWh, QStringLiteral("##,###,##0.000")) + sep +
         formatRight(f.tSec, QStringLiteral("##,###,##0.000")) + sep +
         formatRight(f.power, QStringLiteral("###,##0")) + sep +
         formatRight(f.temp, QStringLiteral("###0.0"));
}
