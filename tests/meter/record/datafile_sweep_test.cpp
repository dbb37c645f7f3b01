// Damaged data files built at random by the test's own writer: good sections
// with stray bytes, zero blocks, torn headers and wrong counts before, between
// and after them; then layouts with what a kill or a lost write leaves at the
// end (zero and stray tails, a copy cut short) and sections whose too large
// count claims stray bytes or zeros, or whose last records stray bytes replaced.
// Every good section stays reachable with its readings for the recorder, the
// index read alone and the register's walk; nothing else is read as records;
// recording goes on behind the last reading and changes no byte before it.
#include <cstdio>
#include <random>
#include <set>

#include "tests/meter/record/datafile_fixture.h"

namespace {

// One layout as written: where its good sections lie with their readings,
// where every record lies (those of sections with a wrong count too), and
// where the last good data ends. Counts stay far below a version number, as a
// record's may not. Stray bytes are random: where 18 of them happen to be
// dated 1990-2200 they are a reading wherever a section's records may lie.
struct Layout {
  struct Good {
    int64_t pos;
    int records;
    bool open;
  };
  QByteArray bytes;
  std::vector<Good> good;
  std::set<int64_t> recordAt;
  int64_t goodEnd = 0;  // first byte behind the last good section's readings
  int64_t dataEnd = 0;  // last byte of the last good section or record: behind it lies no reading
  int64_t tornAt = 0;   // a header cut short that ends the file
  QByteArray tornHeader;  // the whole of that header
  int tornBytes = 0;      // how much of it was written
  // The last section header: where, its count, the records behind it.
  struct {
    int64_t pos = 0;
    int count = 0, records = 0;
  } last;
  QString what;
};

enum Damage {
  kStray,
  kZeros,
  kTornHeader,
  kCountTooSmall,
  kCountTooLarge,
  kDamageKinds,
  // In the later layouts only:
  kCountTooLargeBeforeJunk = kDamageKinds,
  kStrayForLastRecords,
  kZeroTail,
  kStrayTail,
  kCutCopy,
  kAllKinds
};
// What lies only at the very end of a file; a section left open by a kill may
// lie before the first two.
bool tailOnly(int kind) { return kind >= kZeroTail; }

class LayoutWriter {
 public:
  explicit LayoutWriter(uint32_t seed) : m_rng(seed) {}

  // `tails`: the later layouts, with every kind of damage.
  Layout next(bool tails = false) {
    Layout l;
    m_l = &l;
    m_z = ZavBytes();
    m_day = kDay;
    m_tornEnd = 0;
    const int goods = pick(1, 5);
    // Damage before good section i; slot `goods` lies behind the last.
    std::vector<std::vector<int>> damageBefore(goods + 1);
    for (int d = pick(1, 3); d > 0; --d) {
      const int slot = pick(0, goods), kind = pick(0, (tails ? kAllKinds : kDamageKinds) - 1);
      damageBefore[tailOnly(kind) ? goods : slot].push_back(kind);
    }
    // A count too large reaches into what follows: the next section header,
    // the end, or (later layouts) other damage; tails come last, a copy cut
    // short at the very end.
    const auto order = [](int k) {
      return k == kCutCopy ? 3 : tailOnly(k) ? 2 : k == kCountTooLarge ? 1 : 0;
    };
    for (std::vector<int>& d : damageBefore)
      std::stable_sort(d.begin(), d.end(), [&](int a, int b) { return order(a) < order(b); });
    // A section left open by a kill is the last thing in its file but for what
    // the kill or a lost write left behind it.
    const bool openLast = std::all_of(damageBefore[goods].begin(), damageBefore[goods].end(),
                                      [](int k) { return k == kZeroTail || k == kStrayTail; }) &&
                          pick(0, 1);
    for (int i = 0; i <= goods; ++i) {
      for (int kind : damageBefore[i]) damage(kind);
      if (i == goods) break;
      const int n = pick(1, 6);
      const bool open = openLast && i == goods - 1;
      good(open ? 0 : n, n);
      l.what += QStringLiteral("S%1%2 ").arg(n).arg(open ? "o" : "");
    }
    l.bytes = m_z.b;
    // A header cut short is what a lost first write left when zeros follow it
    // through that write (or to the end); what lies further is judged apart.
    const QByteArray zeroed = l.bytes.mid(m_tornEnd, l.tornAt - 1 + kSectionBytes + kRecordBytes - m_tornEnd);
    if (l.tornAt > 0 && zeroed.count('\0') != zeroed.size()) l.tornAt = 0;
    l.dataEnd = std::max(l.goodEnd - 1, l.recordAt.empty() ? 0 : *l.recordAt.rbegin() + kRecordBytes - 1);
    return l;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
  void section(int count, int records) {
    const int reset = pick(0, 255);
    m_l->last = {m_z.b.size() + 1, count, records};
    m_z.header(m_day, count, reset);
    for (int i = 0; i < records; ++i) {
      m_l->recordAt.insert(m_z.b.size() + 1);
      m_z.record(m_day + i / 1440.0, 1000 * reset + i, 62500 * i, pick(-60, 80));
    }
    m_day += 1;
  }
  // A section that must be found with its `records` readings.
  void good(int count, int records) {
    m_l->good.push_back({m_z.b.size() + 1, records, count == 0});
    section(count, records);
    m_l->goodEnd = m_z.b.size() + 1;
  }
  // A new section's header cut short: its count is 0 until the section closes.
  int tornHeader() {
    const int n = pick(1, kSectionBytes - 1);
    m_l->tornAt = m_z.b.size() + 1;
    m_l->tornHeader = ZavBytes().header(m_day, 0, pick(0, 255)).b;
    m_z.b.append(m_l->tornHeader.left(n));
    m_l->tornBytes = n;
    m_tornEnd = m_z.b.size();
    return n;
  }
  void stray(int n) {
    for (int i = 0; i < n; ++i) m_z.b.append(char(pick(0, 255)));
  }
  void damage(int kind) {
    int n = 0;
    switch (kind) {
      case kStray: stray(n = pick(1, 64)); break;
      case kZeros:
        n = std::vector<int>{18, 36, 4096}[pick(0, 2)];
        m_z.b.append(QByteArray(n, '\0'));
        break;
      case kTornHeader:
        // The open cuts a torn header before a new one can follow it.
        n = m_tornEnd == m_z.b.size() ? 0 : tornHeader();
        break;
      case kCountTooSmall:
        n = pick(2, 5);
        section(pick(1, n - 1), n);
        break;
      case kCountTooLarge:
        n = pick(1, 4);
        section(n + pick(1, 6), n);
        break;
      case kCountTooLargeBeforeJunk:
        n = pick(1, 4);
        section(n + pick(1, 300), n);
        switch (pick(0, 2)) {
          case 0: stray(pick(1, 64)); break;
          case 1: m_z.b.append(QByteArray(std::vector<int>{18, 36, 4096}[pick(0, 2)], '\0')); break;
          default: tornHeader(); break;
        }
        break;
      case kStrayForLastRecords: {
        n = pick(1, 4);  // records replaced
        const int kept = pick(1, 4);
        good(kept + n, kept);
        stray(n * kRecordBytes);
        break;
      }
      case kZeroTail:
        n = pick(0, 1) ? 4096 : 65536;
        m_z.b.append(QByteArray(n, '\0'));
        break;
      case kStrayTail: stray(n = pick(1, 200)); break;
      case kCutCopy:
        n = pick(1, 6);
        good(n + pick(1, 700), n);
        m_z.b.append(ZavBytes().record(m_day, 77, 77).b.left(pick(0, kRecordBytes - 1)));
        break;
    }
    m_l->what += QStringLiteral("D%1:%2 ").arg(kind).arg(n);
  }

  std::mt19937 m_rng;
  int64_t m_tornEnd = -1;
  Layout* m_l = nullptr;
  ZavBytes m_z;
  double m_day = kDay;
};

bool datedAt(const QByteArray& b, int64_t pos) {
  double d;
  std::memcpy(&d, b.constData() + pos - 1, 8);  // the test's machine is little-endian, as the file
  return d >= 32874 && d < 109940;
}

class DataFileSweep : public DataFileTest {
 protected:
  struct Figures {
    int sections = 0, found = 0, records = 0, chance = 0, cut = 0;
    int64_t cutBytes = 0;
  };
  // Whether every good section lies in the index at its place with its
  // records, each read back from `file` as written, and every other record the
  // index names, but the `added` last ones, is one the writer wrote or 18
  // stray bytes that are dated as a reading.
  static bool indexHolds(const dataFileIndex& ix, const Layout& l, const QByteArray& file, Figures* figures,
                         int added = 0) {
    bool ok = true;
    for (const Layout::Good& g : l.good) {
      const qsizetype s = sectionPositions(ix).indexOf(g.pos);
      const bool found = s >= 0 && ix.sections[s].readings() >= g.records;
      ok = ok && found;
      if (!found) continue;
      if (figures) figures->found += 1;
      for (int i = 0; i < g.records; ++i) {
        const int64_t written = g.pos + kSectionBytes + i * kRecordBytes;
        const int64_t at = recordFilePos(ix, ix.sections[s].before + 1 + i);
        const bool same =
            at == written && file.mid(at - 1, kRecordBytes) == l.bytes.mid(written - 1, kRecordBytes);
        if (figures) figures->records += same ? 1 : 0;
        ok = ok && same;
      }
    }
    for (int r = 1; r <= ix.recordCount - added; ++r) {
      const int64_t at = recordFilePos(ix, r);
      const bool written = l.recordAt.count(at) == 1;
      if (figures && !written) figures->chance += 1;
      ok = ok && (written || datedAt(file, at));
    }
    return ok;
  }
  // Where the cut before recording lands: behind the last good data, or behind
  // the last 18 bytes at any offset past it that are dated as a reading; a
  // header cut short that ends the file goes with it:
  // - behind a count that runs past the end, on its record grid, as 18 to 55
  //   bytes that are the start of a header as the recorder writes it (the
  //   writer's are, as far as the zeros behind them agree);
  // - behind a closed count, as up to 55 bytes, unless as long as a record but
  //   neither a whole header nor the start of one as the recorder writes it;
  //   and where the header was due, however long, with no reading behind its
  //   38 bytes, when its version is there or zeros fill its first write.
  static int64_t keptEnd(const Layout& l) {
    const int64_t size = l.bytes.size();
    const int64_t claimedEnd = l.last.pos + kSectionBytes + int64_t(l.last.count) * kRecordBytes;
    const bool toTheEnd = l.last.count == 0 || claimedEnd > size + 1;
    const int64_t torn = size + 1 - l.tornAt;
    const qsizetype known = qsizetype(std::min<int64_t>(torn, 20));  // through the meter id
    const bool ownStart = l.bytes.mid(l.tornAt - 1, known) == l.tornHeader.left(known);
    bool clearBehind = true;
    for (int64_t p = l.tornAt + kSectionBytes; p + kRecordBytes <= size + 1; ++p) clearBehind = clearBehind && !datedAt(l.bytes, p);
    const bool onGrid = (l.tornAt - l.last.pos - kSectionBytes) % kRecordBytes == 0;
    bool tornGoes = false;
    if (l.tornAt > 0 && toTheEnd) {
      tornGoes = onGrid && torn >= kRecordBytes && torn < kSectionBytes + kRecordBytes && ownStart;
    } else if (l.tornAt > 0 && claimedEnd <= l.tornAt) {
      tornGoes = torn < kSectionBytes + kRecordBytes
                     ? torn < kRecordBytes || ownStart || (torn >= kSectionBytes && l.tornBytes >= kSectionLeadBytes)
                     : claimedEnd == l.tornAt && clearBehind;
    }
    const int64_t until = tornGoes ? l.tornAt : l.bytes.size() + 1;
    int64_t kept = l.dataEnd;
    for (int64_t p = l.dataEnd + 1; p + kRecordBytes <= until; ++p)
      if (datedAt(l.bytes, p)) kept = p + kRecordBytes - 1;
    return kept;
  }
  // The file after recording one reading: the old bytes up to the kept end
  // (what follows it was cut), the last section's count written when it was
  // left open or ran past that end (its records up to its last reading), one
  // new section behind.
  bool recordedAtTheEnd(const Layout& l, const QByteArray& now, Figures& figures) const {
    const int64_t keep = now.size() - kSectionBytes - kRecordBytes;
    QByteArray want = l.bytes.left(keep);
    const int64_t body = l.last.pos + kSectionBytes;
    if (l.last.count == 0 || body + l.last.count * kRecordBytes > keep + 1) {
      int64_t through = 0;
      for (int64_t k = 0; body + (k + 1) * kRecordBytes <= keep + 1; ++k)
        if (datedAt(l.bytes, body + k * kRecordBytes)) through = k + 1;
      want.replace(l.last.pos - 1 + 34, 4, ZavBytes().i32(through).b);
    }
    figures.cut += keep < l.bytes.size() ? 1 : 0;
    figures.cutBytes += l.bytes.size() - keep;
    return keep == keptEnd(l) && now.left(keep) == want && m_recorder.headPos() == keep + 1;
  }
};

TEST_F(DataFileSweep, EveryGoodSectionStaysReachableAndRecordingGoesOnAtTheEnd) {
  constexpr int kLayouts = 500, kTailLayouts = 500;
  LayoutWriter writer(20240301);
  Figures figures;
  int ok = 0;
  for (int n = 0; n < kLayouts + kTailLayouts; ++n) {
    const Layout l = writer.next(n >= kLayouts);
    figures.sections += int(l.good.size());
    writeTextFile(m_path, l.bytes);
    m_log.clear();
    const Result<DataFileIndexRead> alone = readDataFileIndex(m_path);
    ASSERT_TRUE(alone.ok());
    bool held = indexHolds(alone->index, l, l.bytes, &figures);
    const DataFileWalk walk(m_path, {});
    held = held && walk.sections().size() == qsizetype(alone->index.sectionCount);
    for (int s = 0; held && s < walk.sections().size(); ++s) {
      held = walk.sections()[s].from == alone->index.sections[s].from &&
             walk.sections()[s].readings() == alone->index.sections[s].readings();
    }
    // The recorder reads the file as the index read alone does, once its torn
    // tail is cut (a count may fit the file only with that tail).
    openOutZavDat();
    const Result<DataFileIndexRead> opened = readDataFileIndex(m_path);
    held = held && m_recorder.isOpen() && indexHolds(m_slots[0], l, l.bytes, nullptr) && opened.ok() &&
           sectionPositions(m_slots[0]) == sectionPositions(opened->index);
    held = held && append(999, kDay + 9).ok();
    closeOutZavDat();
    const QByteArray now = readTextFile(m_path);
    held = recordedAtTheEnd(l, now, figures) && held;
    const Result<DataFileIndexRead> after = readDataFileIndex(m_path);
    ASSERT_TRUE(after.ok());
    const dataFileIndex& ix = after->index;
    held = held && indexHolds(ix, l, now, nullptr, 1) &&
           ix.sections.last().from == m_recorder.headPos() && ix.sections.last().readings() == 1;
    EXPECT_TRUE(held) << n << ": " << l.what.toStdString() << " data end=" << l.dataEnd
                      << " size=" << l.bytes.size() << "\n"
                      << m_log.text().toStdString();
    ok += held ? 1 : 0;
  }
  std::printf(
      "LOAD datafile_sweep layouts=%d with_tails=%d sections=%d found=%d records=%d stray_dated_readings=%d "
      "tails_cut=%d bytes_cut=%lld ok=%d\n",
      kLayouts + kTailLayouts, kTailLayouts, figures.sections, figures.found, figures.records, figures.chance,
      figures.cut,
      qlonglong(figures.cutBytes), ok);
  EXPECT_EQ(figures.found, figures.sections);
  EXPECT_EQ(ok, kLayouts + kTailLayouts);
}

}  // namespace
