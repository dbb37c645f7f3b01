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
  const dataFileIndex& ix = index.index;
  const int64_t fileSize = index.file->size();
  // Whether the file holds reading r; a section's readings lie in file order.
  const auto held = [&](int32_t r) {
    ReadingPlace at;
    const int64_t offset = recordOffset(ix, r, at, headerBytes);
    return offset >= 0 && offset + kRecordBytes <= fileSize;
  };
  qsizetype k = 0;
  while (k < ix.sections.size() && (ix.sections[k].readings() == 0 || held(int32_t(ix.sections[k].endRecord()))))
    ++k;
  // The copy is written only when the file ends early: it shares the slot's otherwise.
  if (k == ix.sections.size()) {
    if (ix.sectionCount != ix.sections.size()) index.index.sectionCount = int32_t(ix.sections.size());
    return;
  }
  int32_t lo = ix.sections[k].before, hi = int32_t(ix.sections[k].endRecord());  // lo held (or none), hi not
  while (hi - lo > 1) {
    const int32_t mid = lo + (hi - lo) / 2;
    (held(mid) ? lo : hi) = mid;
  }
  const int32_t promised = ix.recordCount;
  const int32_t kept = lo - ix.sections[k].before;
  dataFileIndex& cut = index.index;
  cut.sections.resize(kept > 0 ? k + 1 : k);
  if (kept > 0) {
    DataSection& s = cut.sections[k];
    const qsizetype j = s.runOf(kept - 1);
    s.runs.truncate(j + 1);
    s.runs.setLastEnd(kept);
    s.records = s.recordOf(kept - 1, j) + 1;
    RawRecord last;
    ReadingPlace at{.section = k, .run = j};
    if (readRaw(*index.file, recordOffset(cut, lo, at, headerBytes), last)) {
      s.lastTime = last.recTime;
      cut.lastRecordTime = last.recTime;
    }
  }
  cut.recordCount = lo;
  cut.sectionCount = int32_t(cut.sections.size());
  logMsg(-1, QStringLiteral("getZavFileData: ERROR the file ends after record %1 of %2: %3")
                 .arg(lo)
                 .arg(promised)
                 .arg(index.fileName));
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
