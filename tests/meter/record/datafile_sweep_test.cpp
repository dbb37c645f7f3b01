// Damaged data files built at random by the test's own writer: good sections
// with stray bytes, zero blocks, torn headers and wrong counts before, between
// and after them. Every good section stays reachable for the recorder, the
// index read alone and the register's walk; nothing else is read as records;
// recording goes on at the end and changes no byte before it.
#include <cstdio>
#include <random>
#include <set>

#include "tests/meter/record/datafile_fixture.h"

namespace {

// One layout as written: where its good sections lie, where every record lies
// (those of sections with a wrong count too), and where the last good data
// ends. Counts stay far below a version number, as a record's may not.
struct Layout {
  struct Good {
    int64_t pos;
    int records;
    bool open;
  };
  QByteArray bytes;
  std::vector<Good> good;
  std::set<int64_t> recordAt;
  int64_t goodEnd = 0;  // first byte behind the last good section
  QString what;
};

enum Damage { kStray, kZeros, kTornHeader, kCountTooSmall, kCountTooLarge, kDamageKinds };

class LayoutWriter {
 public:
  explicit LayoutWriter(uint32_t seed) : m_rng(seed) {}

  Layout next() {
    Layout l;
    m_l = &l;
    m_z = ZavBytes();
    m_day = kDay;
    const int goods = pick(1, 5);
    // Damage before good section i; slot `goods` lies behind the last.
    std::vector<std::vector<int>> damageBefore(goods + 1);
    for (int d = pick(1, 3); d > 0; --d) damageBefore[pick(0, goods)].push_back(pick(0, kDamageKinds - 1));
    // A count too large is one that reaches into the next section header (or
    // past the end): what lies behind the records it claims is no record. Stray
    // bytes behind a count too large would be records by every check.
    for (std::vector<int>& d : damageBefore)
      std::stable_partition(d.begin(), d.end(), [](int k) { return k != kCountTooLarge; });
    // A section left open by a kill is the last thing in its file.
    const bool openLast = damageBefore[goods].empty() && pick(0, 1);
    for (int i = 0; i <= goods; ++i) {
      for (int kind : damageBefore[i]) damage(kind);
      if (i == goods) break;
      const int n = pick(1, 6);
      const bool open = openLast && i == goods - 1;
      l.good.push_back({m_z.b.size() + 1, n, open});
      l.what += QStringLiteral("S%1%2 ").arg(n).arg(open ? "o" : "");
      section(open ? 0 : n, n);
      l.goodEnd = m_z.b.size() + 1;
    }
    l.bytes = m_z.b;
    return l;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
  void section(int count, int records) {
    const int reset = pick(0, 255);
    m_z.header(m_day, count, reset);
    for (int i = 0; i < records; ++i) {
      m_l->recordAt.insert(m_z.b.size() + 1);
      m_z.record(m_day + i / 1440.0, 1000 * reset + i, 62500 * i, pick(-60, 80));
    }
    m_day += 1;
  }
  void damage(int kind) {
    int n = 0;
    switch (kind) {
      case kStray:
        n = pick(1, 64);
        for (int i = 0; i < n; ++i) m_z.b.append(char(pick(0, 255)));
        break;
      case kZeros:
        n = std::vector<int>{18, 36, 4096}[pick(0, 2)];
        m_z.b.append(QByteArray(n, '\0'));
        break;
      case kTornHeader:
        n = pick(1, kSectionBytes - 1);
        m_z.b.append(ZavBytes().header(m_day, pick(0, 9), pick(0, 255)).b.left(n));
        break;
      case kCountTooSmall:
        n = pick(2, 5);
        section(pick(1, n - 1), n);
        break;
      case kCountTooLarge:
        n = pick(1, 4);
        section(n + pick(1, 6), n);
        break;
    }
    m_l->what += QStringLiteral("D%1:%2 ").arg(kind).arg(n);
  }

  std::mt19937 m_rng;
  Layout* m_l = nullptr;
  ZavBytes m_z;
  double m_day = kDay;
};

class DataFileSweep : public DataFileTest {
 protected:
  struct Figures {
    int sections = 0, found = 0, records = 0;
  };
  // Whether every good section lies in the index at its place with its
  // records, each read back from `file` as written, and every record the
  // index names, but the `added` last ones, is one the writer wrote.
  static bool indexHolds(const dataFileIndex& ix, const Layout& l, const QByteArray& file, Figures* figures,
                         int added = 0) {
    bool ok = true;
    for (const Layout::Good& g : l.good) {
      const int s = int(ix.sectionFilePos.indexOf(g.pos));
      const bool found = s >= 1 && s <= ix.sectionCount && ix.sectionHeaders[s].records == g.records;
      ok = ok && found;
      if (!found) continue;
      if (figures) figures->found += 1;
      for (int i = 0; i < g.records; ++i) {
        const int64_t written = g.pos + kSectionBytes + i * kRecordBytes;
        const int64_t at = recordFilePos(ix, ix.sectionEndRecord[s - 1] + 1 + i);
        const bool same =
            at == written && file.mid(at - 1, kRecordBytes) == l.bytes.mid(written - 1, kRecordBytes);
        if (figures) figures->records += same ? 1 : 0;
        ok = ok && same;
      }
    }
    for (int r = 1; r <= ix.recordCount - added; ++r) ok = ok && l.recordAt.count(recordFilePos(ix, r)) == 1;
    return ok;
  }
  // The file after recording one reading: the old bytes up to a cut that
  // holds no record, the open section's count written, one new section behind.
  bool recordedAtTheEnd(const Layout& l, const QByteArray& now) const {
    const int64_t keep = now.size() - kSectionBytes - kRecordBytes;
    QByteArray want = l.bytes.left(keep);
    if (!l.good.empty() && l.good.back().open) {
      want.replace(l.good.back().pos - 1 + 34, 4, ZavBytes().i32(l.good.back().records).b);
    }
    const bool cutNoRecord = l.recordAt.empty() || *l.recordAt.rbegin() + kRecordBytes - 1 <= keep;
    return keep >= l.goodEnd - 1 && keep <= l.bytes.size() && cutNoRecord && now.left(keep) == want &&
           m_recorder.headPos() == keep + 1;
  }
};

TEST_F(DataFileSweep, EveryGoodSectionStaysReachableAndRecordingGoesOnAtTheEnd) {
  constexpr int kLayouts = 500;
  LayoutWriter writer(20240301);
  Figures figures;
  int ok = 0;
  for (int n = 0; n < kLayouts; ++n) {
    const Layout l = writer.next();
    figures.sections += int(l.good.size());
    writeTextFile(m_path, l.bytes);
    m_log.clear();
    const Result<DataFileIndexRead> alone = readDataFileIndex(m_path);
    ASSERT_TRUE(alone.ok());
    bool held = indexHolds(alone->index, l, l.bytes, &figures);
    const DataFileWalk walk(m_path);
    held = held && walk.sections().size() == qsizetype(alone->index.sectionCount);
    for (int s = 0; held && s < walk.sections().size(); ++s) {
      held = walk.sections()[s].pos == alone->index.sectionFilePos[s + 1] &&
             walk.sections()[s].records == alone->index.sectionHeaders[s + 1].records;
    }
    // The recorder reads the file as the index read alone does, once its torn
    // tail is cut (a count may fit the file only with that tail).
    openOutZavDat();
    const Result<DataFileIndexRead> opened = readDataFileIndex(m_path);
    held = held && m_recorder.isOpen() && indexHolds(m_slots[0], l, l.bytes, nullptr) && opened.ok() &&
           m_slots[0].sectionFilePos == opened->index.sectionFilePos;
    held = held && append(999, kDay + 9).ok();
    closeOutZavDat();
    const QByteArray now = readTextFile(m_path);
    held = held && recordedAtTheEnd(l, now);
    const Result<DataFileIndexRead> after = readDataFileIndex(m_path);
    ASSERT_TRUE(after.ok());
    const dataFileIndex& ix = after->index;
    held = held && indexHolds(ix, l, now, nullptr, 1) &&
           ix.sectionFilePos[ix.sectionCount] == m_recorder.headPos() &&
           ix.sectionHeaders[ix.sectionCount].records == 1;
    EXPECT_TRUE(held) << n << ": " << l.what.toStdString() << "\n" << m_log.text().toStdString();
    ok += held ? 1 : 0;
  }
  std::printf("LOAD datafile_sweep layouts=%d sections=%d found=%d records=%d ok=%d\n", kLayouts,
              figures.sections, figures.found, figures.records, ok);
  EXPECT_EQ(figures.found, figures.sections);
  EXPECT_EQ(ok, kLayouts);
}

}  // namespace
