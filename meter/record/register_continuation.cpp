#include "meter/record/register_continuation.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/util/date_value.h"
#include "core/util/number_text.h"
#include "meter/record/data_file.h"
#include "meter/record/reading.h"

namespace {

constexpr int64_t kChunkRecords = 4096;
// The text log holds whole Wh: a line and the marker its period began with
// each round the register, so their difference is off by up to 1 Wh.
constexpr double kRoundingWh = 1.0 + 1e-6;

// A reading's place: section index and 0-based reading within it.
struct Place {
  int section = 0;
  int32_t record = 0;
};

// The data file's readings with the Ws per count the count processor counted
// them with: a header holds the setting rounded to a whole number, so a
// section whose header holds the setting's rounding was counted at the
// setting itself (1.8 stored as 2, 0.36 as 0).
struct Readings {
  const DataFileWalk& file;
  double wsPerCount;  // the setting
  double wsOf(const fileSection& h) const {
    int32_t stored = 0;
    return roundToInt32(wsPerCount, stored) && stored == h.WsPerCount ? wsPerCount : h.WsPerCount;
  }
};

// Every reading from `from` on in file order, each with what the count
// processor added to the register for it: the counts since the reading before
// it in the same section (none for a section's first reading, whose reading
// followed a reset of the count state, nor for a count that went back), at the
// section's Ws per count; readings a run of damaged records separates are of
// one section still. f(time, wh).
template <class F>
void forEachReading(const Readings& in, Place from, F&& f) {
  const DataFileWalk& file = in.file;
  const QVector<DataSection>& sections = file.sections();
  QByteArray buf;
  for (int s = from.section; s < sections.size(); ++s) {
    const DataSection& section = sections[s];
    int32_t k = s == from.section ? from.record : 0;
    // The reading before the first one counts as the previous reading.
    bool havePrev = false;
    uint32_t prev = 0;
    int32_t first = 0;
    if (k > 0) {
      const int64_t place = section.recordOf(k - 1, section.runOf(k - 1));
      havePrev = file.readReadings(section, place, place + 1, buf, first) == 1;
      if (havePrev) prev = uint32_t(unpackRecord(buf.constData()).count);
    }
    const double ws = in.wsOf(section.header);
    while (k < section.readings()) {
      const int64_t place = section.recordOf(k, section.runOf(k));
      const int32_t n = file.readReadings(section, place, place + kChunkRecords, buf, first);
      if (n <= 0) return;
      for (int32_t j = 0; j < n; ++j) {
        const meterRecord r = unpackRecord(buf.constData() + j * kRecordBytes);
        f(r.recTime, havePrev ? countEnergyWh(ws, countsBetween(prev, uint32_t(r.count))) : 0);
        havePrev = true;
        prev = uint32_t(r.count);
      }
      k += n;
    }
  }
}

RecordedEnergy energyFrom(const Readings& in, Place from) {
  RecordedEnergy out;
  forEachReading(in, from, [&](Date time, double wh) {
    out.wh += wh;
    out.readings += 1;
    out.newest = std::max(out.newest, time);
  });
  return out;
}

// The record behind the last one from section `from` on, in file order,
// dated at or before `second`: what followed a line of that second. Searched
// from the end, so a clock set back before the line cannot make earlier
// readings count as later ones. The first record of `from` when none is.
Place firstAfter(const DataFileWalk& file, int from, int64_t second) {
  const QVector<DataSection>& sections = file.sections();
  QByteArray buf;
  for (int s = int(sections.size()) - 1; s >= from; --s) {
    const DataSection& section = sections[s];
    for (int32_t end = section.readings(); end > 0;) {
      const int64_t to = section.recordOf(end - 1, section.runOf(end - 1)) + 1;
      int32_t first = 0;
      const int32_t n = file.readReadings(section, std::max<int64_t>(0, to - kChunkRecords), to, buf, first);
      if (n <= 0) break;
      for (int32_t j = n - 1; j >= 0; --j) {
        if (dateSeconds(unpackRecord(buf.constData() + j * kRecordBytes).recTime) <= second)
          return first + j + 1 < section.readings() ? Place{.section = s, .record = first + j + 1}
                                                    : Place{.section = s + 1};
      }
      end = first;
    }
  }
  return {.section = from};
}

// The first section of the recording period that began with the on-line marker
// at `online`: opening the data file prepared its section, dated at the marker
// (an earlier program dated it up to a second before), by the same clock
// however wrong. The latest such section: sections a reset-count change began
// later in the period may be dated before it by a clock set back. -1 when the
// period recorded nothing: a last section so dated is then an earlier
// period's, and closed: its count is its records up to its last reading (a
// count that runs past them is damage, not a close).
int periodStart(const QVector<DataSection>& sections, Date online) {
  const int64_t marker = dateSeconds(online);
  bool last = true;
  for (int s = int(sections.size()) - 1; s >= 0; --s) {
    const int64_t start = dateSeconds(sections[s].header.startTime);
    const bool lastAndClosed = last && sections[s].header.records == sections[s].records;
    last = false;
    if (start == marker || start == marker - 1) return lastAndClosed ? -1 : s;
  }
  return -1;
}

// The reading a line of the register logged: among the readings of its
// second, the one whose register, counted from an anchor line (the period's
// on-line marker or a later synchronisation), comes to the line's. Returns
// what followed it, or nothing when no reading fits.
std::optional<RecordedEnergy> afterMatchingReading(const Readings& in, int period, const LogLine& line,
                                                    const LogLine& anchor, bool anchorIsSync) {
  const int64_t lineSecond = dateSeconds(line.time);
  const int64_t anchorSecond = dateSeconds(anchor.time);
  double all = 0, sinceAnchor = 0;
  int64_t count = 0;
  Date newest = 0;
  double bestMiss = kRoundingWh, bestAll = 0;
  int64_t bestCount = -1;
  forEachReading(in, {.section = period}, [&](Date time, double wh) {
    const int64_t second = dateSeconds(time);
    all += wh;
    count += 1;
    newest = std::max(newest, time);
    if (!anchorIsSync || second > anchorSecond) sinceAnchor += wh;
    if (second != lineSecond) return;
    const double miss = std::fabs(anchor.energyWh + sinceAnchor - line.energyWh);
    if (miss <= bestMiss) {  // on a tie the later reading: the counts between are then 0
      bestMiss = miss;
      bestAll = all;
      bestCount = count;
    }
  });
  if (bestCount < 0) return {};
  return RecordedEnergy{
      .wh = all - bestAll, .readings = count - bestCount, .newest = count > bestCount ? newest : 0};
}

}  // namespace

RecordedEnergy energyRecordedAfter(const QString& name, const RegisterLog& log, double wsPerCount,
                                   const zavio::OwnHeader& own) {
  const DataFileWalk file(name, own);
  const Readings in{.file = file, .wsPerCount = wsPerCount};
  const QVector<DataSection>& sections = file.sections();
  const LogLine& line = log.from;
  if (sections.isEmpty()) return {};
  // A line dated by a wrong clock has no place among the readings (but the
  // on-line marker: its section carries the same date); no reading was
  // recorded behind it while the clock stayed wrong.
  const bool dated = plausibleTime(line.time);
  if (line.power == kOfflineMarker)
    return dated ? energyFrom(in, firstAfter(file, 0, dateSeconds(line.time))) : RecordedEnergy{};
  const int period = log.online ? periodStart(sections, log.online->time) : -1;
  if (line.power == kOnlineMarker)
    return period < 0 ? RecordedEnergy{} : energyFrom(in, {.section = period});
  if (!dated) return {};
  const int from = std::max(period, 0);
  // The register the line's period began from: a synchronisation after its
  // marker (one a wrong clock dated cannot be placed), else the marker when its
  // first section is known.
  const LogLine* anchor = log.sync ? (plausibleTime(log.sync->time) ? &*log.sync : nullptr)
                          : period >= 0 ? &*log.online
                                        : nullptr;
  if (line.power >= 0 && anchor) {
    if (const auto after = afterMatchingReading(in, from, line, *anchor, bool(log.sync))) return *after;
  }
  // A synchronisation, or a line whose reading cannot be told apart: what
  // follows its second.
  return energyFrom(in, firstAfter(file, from, dateSeconds(line.time)));
}
