#include <algorithm>

#include "core/log/logmsg.h"
#include "platform/tick_clock.h"
#include "plot/plot_records.h"

void searchRecTime(plotFileIndex& index, int32_t fromRecordNr, int32_t toRecordNr, Date searchDateTime,
                   bool searchFirst) {
  const int32_t start = timeGetTime();
  const dataFileIndex& ix = index.index;
  if (searchFirst) {
    index.searchFirstTime = 0;
    index.searchFirstRec = 0;
  } else {
    index.searchLastTime = 0;
    index.searchLastRec = 0;
  }
  if (logShows(3)) {
    logMsg(3, QStringLiteral("searchRecTime: \n   fromRecordNr=%1\n     toRecordNr=%2\n  searchRecords=%3\n"
                             " searchDateTime=%4\n    searchFirst=%5")
                  .arg(fromRecordNr)
                  .arg(toRecordNr)
                  .arg(static_cast<int64_t>(toRecordNr) - fromRecordNr + 1)
                  .arg(logTime(searchDateTime), searchFirst ? "True" : "False"));
  }
  if (ix.sections.isEmpty() || ix.recordCount < 1 || !index.file) return;

  // The first section with readings that ends at or after the time, else the last.
  int32_t k = 1;
  while (k < ix.sectionCount &&
         !(ix.sectionHeaders(k).records > 0 && searchDateTime <= ix.sectionLastTime(k)))
    ++k;
  const qsizetype s = k - 1;
  const DataSection& in = ix.sections[s];
  int32_t lo = in.before + 1;
  int32_t hi = static_cast<int32_t>(in.endRecord());
  if (logShows(3)) {
    logMsg(3, QStringLiteral("   fileSection=%1\n  secFirstRec=%2\n   secLastRec=%3\n  secStartTime=%4\n"
                             "   secLastTime=%5\nsec-1.LastTime=%6\nsectionRecords=%7\n     thisDTime=%8")
                  .arg(s + 1)
                  .arg(lo)
                  .arg(hi)
                  .arg(logTime(in.header.startTime), logTime(ix.sectionLastTime(k)),
                       logTime(ix.sectionLastTime(k - 1)))
                  .arg(in.readings())
                  .arg(logTime(searchDateTime)));
  }

  int32_t probe = searchFirst ? lo : hi;
  int32_t loops = 0;
  RawRecord r{};
  ReadingPlace place{.section = s};
  for (;;) {
    // A probe outside the file (an empty section) reads the nearest record.
    const int32_t at = std::clamp(probe, 1, ix.recordCount);
    if (!readRaw(*index.file, recordOffset(ix, at, place, kSearchHeaderBytes), r)) break;
    ++loops;
    if (hi - lo < 1) break;
    if (searchFirst) {
      if (r.recTime < searchDateTime)
        lo = probe + 1;
      else
        hi = probe;
      probe = hi - (hi - lo + 1) / 2;
    } else {
      if (searchDateTime < r.recTime)
        hi = probe - 1;
      else
        lo = probe;
      probe = lo + (hi - lo + 1) / 2;
    }
  }
  probe = std::clamp(probe, 1, ix.recordCount);
  if (searchFirst) {
    index.searchFirstTime = r.recTime;
    index.searchFirstRec = probe;
  } else {
    index.searchLastTime = r.recTime;
    index.searchLastRec = probe;
  }
  logMsg(3, QStringLiteral("     thisDTime=%1\n    thisRecord=%2\n    sLoopCount=%3\nelapsedTime=%4\n%5")
                .arg(logTime(r.recTime))
                .arg(probe)
                .arg(loops)
                .arg(elapsedSince(start), QString(41, u'-')));
}
