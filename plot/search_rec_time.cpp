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
  if (ix.sectionCount < 1 || ix.recordCount < 1 || !index.file) return;

  int32_t s = 1;
  int32_t before = 0;
  for (; s < ix.sectionCount; ++s) {
    const int32_t records = ix.sectionHeaders[s].records;
    if (records > 0 && searchDateTime <= ix.sectionLastTime[s]) break;
    if (records > 0) before += records;
  }
  int32_t lo = before + 1;
  int32_t hi = before + ix.sectionHeaders[s].records;
  if (logShows(3)) {
    logMsg(3, QStringLiteral("   fileSection=%1\n  secFirstRec=%2\n   secLastRec=%3\n  secStartTime=%4\n"
                             "   secLastTime=%5\nsec-1.LastTime=%6\nsectionRecords=%7\n     thisDTime=%8")
                  .arg(s)
                  .arg(lo)
                  .arg(hi)
                  .arg(logTime(ix.sectionHeaders[s].startTime), logTime(ix.sectionLastTime[s]),
                       logTime(ix.sectionLastTime[s - 1]))
                  .arg(ix.sectionHeaders[s].records)
                  .arg(logTime(searchDateTime)));
  }

  int32_t probe = searchFirst ? lo : hi;
  int32_t loops = 0;
  RawRecord r{};
  for (;;) {
    // A probe outside the file (an empty section) reads the nearest record.
    const int32_t at = std::clamp(probe, 1, ix.recordCount);
    if (!readRaw(*index.file, recordOffset(ix, at, s, kSearchHeaderBytes), r)) break;
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
