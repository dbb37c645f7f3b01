#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "plot/plot_records.h"

namespace {
// Nodes are thinned in blocks of 4^kMaxScanWalks: every walk over a block then
// starts at a group boundary of the walk over the whole series, and the block
// stays in the processor's cache while it is walked.
constexpr size_t kBlockNodes = 4096;
static_assert(kBlockNodes == size_t{1} << (2 * kMaxScanWalks));
constexpr float kFloatMax = std::numeric_limits<float>::max();

// The rates of one recording, ready for the records of a section.
struct Rates {
  Rates(int32_t wsPerCount, int32_t ticksPerSec)
      : wsPerCount(wsPerCount), ticksPerSec(ticksPerSec), ws(wsPerCount), tps(ticksPerSec) {
    if (ticksPerSec <= 0) return;
    // The fewest ticks whose interval is long enough for a power: ticks are
    // whole numbers and ticks / ticksPerSec grows with them, so comparing the
    // ticks with this gives what comparing the seconds would.
    minTicks = std::max(0.0, std::floor(kMinPowerSeconds * tps) - 2);
    while (!(minTicks / tps >= kMinPowerSeconds)) minTicks += 1;
  }
  int32_t wsPerCount, ticksPerSec;
  double ws, tps;
  double minTicks = 0;
};

// The values of both series for one block of points, and their thinning.
class NodeBlocks {
 public:
  NodeBlocks(int walks, bool temp, ScanNodes& out)
      : m_walks(walks), m_temp(temp), m_out(out), m_buffer(new ReduceNode[3 * kBlockNodes]) {}
  size_t room() const { return kBlockNodes - m_filled; }
  ReduceNode* power() { return m_buffer.get() + m_filled; }
  ReduceNode* temp() { return m_buffer.get() + kBlockNodes + m_filled; }
  void added(size_t n) {
    m_filled += n;
    if (m_filled == kBlockNodes) flush();
  }
  void flush() {
    thin(m_buffer.get(), m_out.power);
    if (m_temp) thin(m_buffer.get() + kBlockNodes, m_out.temp);
    m_filled = 0;
  }

 private:
  void thin(ReduceNode* nodes, std::vector<ReduceNode>& out) {
    ReduceNode* in = nodes;
    ReduceNode* spare = m_buffer.get() + 2 * kBlockNodes;
    size_t m = m_filled;
    for (int w = 0; w < m_walks; ++w) {
      m = thinWalk(in, m, spare, m);
      std::swap(in, spare);
    }
    out.insert(out.end(), in, in + m);
  }

  int m_walks;
  bool m_temp;
  ScanNodes& m_out;
  std::unique_ptr<ReduceNode[]> m_buffer;  // power, temperature, scratch
  size_t m_filled = 0;
};

// Points p.. from the records at `bytes`, all of one section and following
// `prev`: the common case inline, the rare ones (no tick rate, long gaps) by
// the full rule.
template <bool kByteTemp, bool kTemp>
void scanRun(const uchar* bytes, size_t n, int32_t p, const Rates& k, RawRecord& prev, ValueTally& tally,
             ReduceNode* pn, ReduceNode* tn) {
  float pMax = tally.powerMax, pMin = tally.powerMin, tMax = tally.tempMax, tMin = tally.tempMin;
  int32_t valid = 0, errors = 0;
  const Date from = tally.fromTime, to = tally.toTime;
  const bool ticksTime = k.ticksPerSec > 0;
  RawRecord last = prev;
  for (size_t j = 0; j < n; ++j, bytes += kRecordBytes) {
    const RawRecord r = decodeRaw(bytes);
    const double dCount = static_cast<double>(r.count - last.count);
    float power;
    if (ticksTime && !((r.recTime - last.recTime) * kSecondsPerDay > kMaxTickIntervalSeconds - 1)) {
      const double dTicks = static_cast<double>(r.ticks - last.ticks);
      const double w = countPower(k.ws, dCount, dTicks, k.tps);
      power = dTicks >= k.minTicks ? static_cast<float>(std::min(w, double(kFloatMax))) : kPowerTooClose;
    } else {
      power = powerAfter(last, r, k.wsPerCount, k.ticksPerSec, false).power;
    }
    const bool inRange = from <= r.recTime && r.recTime <= to;
    // Values left out of a range are replaced by ones that cannot change it.
    const bool powerCounts = power >= 0 && inRange;
    pMax = std::max(pMax, powerCounts ? power : -kFloatMax);
    pMin = std::min(pMin, powerCounts ? power : kFloatMax);
    errors += dCount > kCountErrorDelta;
    pn[j] = {static_cast<int32_t>(p + j), power};
    if constexpr (kTemp) {
      const float temp = power < 0 ? kNoTemperature : temperatureOf(r.temp, kByteTemp);
      const bool tempCounts = inRange && validTemperature(temp);
      valid += tempCounts;
      tMax = std::max(tMax, tempCounts ? temp : -kFloatMax);
      tMin = std::min(tMin, tempCounts ? temp : kFloatMax);
      tn[j] = {static_cast<int32_t>(p + j), temp};
    }
    last = r;
  }
  tally.powerMax = pMax;
  tally.powerMin = pMin;
  tally.tempMax = tMax;
  tally.tempMin = tMin;
  tally.countErrors += errors;
  tally.validTemp += valid;
  if (n > 0) tally.lastTime = last.recTime;
  prev = last;
}

using RunFn = void (*)(const uchar*, size_t, int32_t, const Rates&, RawRecord&, ValueTally&, ReduceNode*,
                       ReduceNode*);
RunFn runFor(bool byteTemp, bool temp) {
  if (byteTemp) return temp ? scanRun<true, true> : scanRun<true, false>;
  return temp ? scanRun<false, true> : scanRun<false, false>;
}
}  // namespace

bool scanAllPoints(PlotFileView& file, const dataFileIndex& ix, int headerBytes, int32_t fromRec,
                   int32_t toRec, int walks, bool byteTemp, plotSeries& ps, ValueTally& tally, ScanNodes& out) {
  clearUpperVectorState();
  const RunFn run = runFor(byteTemp, tally.wantTemp);
  // Records fetched by one read.
  constexpr int32_t kReadRecords = PlotFileView::kInOrderReadBytes / kRecordBytes;

  out.power.clear();
  out.temp.clear();
  const auto nodes = static_cast<double>(toRec - fromRec);
  const auto expected = static_cast<size_t>(nodes * std::pow(0.75, walks)) + kBlockNodes;
  out.power.reserve(expected);
  if (tally.wantTemp) out.temp.reserve(expected);
  NodeBlocks blocks(walks, tally.wantTemp, out);

  RawRecord prev{};
  int32_t resetCount = 0;
  Rates rates(0, 0);
  ReadingPlace at;
  int32_t p = 0;
  for (int32_t rec = fromRec; rec <= toRec;) {
    // The first record of a section continues the recording before it or starts a new one.
    const uchar* b = file.bytes(recordOffset(ix, rec, at, headerBytes), kRecordBytes);
    if (!b) return false;
    const qsizetype sec = at.section;
    const DataSection& s = ix.sections[sec];
    const auto end = static_cast<int32_t>(std::min<int64_t>(toRec, s.endRecord()));
    const RawRecord r = decodeRaw(b);
    const fileSection& h = s.header;
    const bool continues = sec > 0 && p > 1 && h.resetCount == resetCount &&
                           h.WsPerCount == rates.wsPerCount && h.ticksPerSec == rates.ticksPerSec;
    PowerParts first;
    if (continues) {
      first = powerAfter(prev, r, rates.wsPerCount, rates.ticksPerSec, false);
    } else {
      resetCount = h.resetCount;
      rates = Rates(h.WsPerCount, h.ticksPerSec);
      ps.WsPerCount = h.WsPerCount;
      ps.ticksPerSec = h.ticksPerSec;
    }
    const float temp = first.power < 0 ? kNoTemperature : temperatureOf(r.temp, byteTemp);
    tally.add(r.recTime, first.power, temp, first.dCount);
    if (p == 0) {
      out.headPower = first.power;
      out.headTemp = temp;
    } else {
      *blocks.power() = {p, first.power};
      *blocks.temp() = {p, temp};
      blocks.added(1);
    }
    prev = r;
    ++p;
    ++rec;

    // The rest of the section run by run, a read of its bytes at a time (the
    // view fetches a large block and hands out its runs from it), in pieces
    // that end where a block of nodes does.
    while (rec <= end) {
      const int64_t offset = recordOffset(ix, rec, at, headerBytes);
      if (offset < 0) return false;
      const int32_t inRun = s.runs[at.run].end - (rec - s.before - 1);
      const int32_t n = std::min({end - rec + 1, inRun, kReadRecords});
      b = file.bytes(offset, n * kRecordBytes);
      if (!b) return false;
      for (int32_t done = 0; done < n;) {
        const auto m = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(n - done), blocks.room()));
        run(b + static_cast<size_t>(done) * kRecordBytes, static_cast<size_t>(m), p, rates, prev, tally,
            blocks.power(), blocks.temp());
        blocks.added(static_cast<size_t>(m));
        p += m;
        done += m;
      }
      rec += n;
    }
  }
  blocks.flush();
  return true;
}
