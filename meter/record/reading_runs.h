#pragma once
// The runs of a section's readings in little room. A section with damage in
// its midst can have a run for every second record: each run is kept as two
// 16-bit steps from the first run of its block of 16 where they fit (about
// 5 bytes a run with the block's own), else whole (8 bytes). Runs are only
// ever added, or cut, at the end.

#include <QVector>
#include <cstdint>
#include <initializer_list>

// A run of a section's readings: records one behind the other that are all
// readings.
struct ReadingRun {
  uint32_t first = 0;  // its first record's place among the section's records (0-based, those that are none counted)
  int32_t end = 0;     // the section's readings up to and with its last
};

class ReadingRuns {
 public:
  ReadingRuns() = default;
  ReadingRuns(std::initializer_list<ReadingRun> runs);

  qsizetype size() const { return m_size; }
  bool isEmpty() const { return m_size == 0; }
  ReadingRun operator[](qsizetype j) const {
    const Block& b = m_blocks[qsizetype(size_t(j) / kBlockRuns)];
    const size_t i = size_t(j) % kBlockRuns;
    if (b.whole) return {.first = m_words[b.at + 2 * i], .end = int32_t(m_words[b.at + 2 * i + 1])};
    const uint32_t w = m_words[b.at + i];
    return {.first = b.first + (w & 0xFFFF), .end = b.end + int32_t(w >> 16)};
  }
  ReadingRun last() const { return (*this)[m_size - 1]; }

  // A run behind the last: neither its place nor its end before the last's.
  void append(ReadingRun run) {
    const Block* b = m_size % kBlockRuns ? &m_blocks.last() : nullptr;
    if (b && fitsSteps(*b, run)) {
      m_words.append((run.first - b->first) | (uint32_t(run.end - b->end) << 16));
      m_size += 1;
    } else {
      appendSlowly(run);
    }
  }
  // The last run's end, not below the end of the run before it.
  void setLastEnd(int32_t end) {
    const Block& b = m_blocks.last();
    if (!b.whole && end >= b.end && uint32_t(end - b.end) < kStepLimit) {
      m_words.last() = (m_words.last() & 0xFFFF) | (uint32_t(end - b.end) << 16);
    } else {
      setLastEndSlowly(end);
    }
  }
  // Keeps the first n runs.
  void truncate(qsizetype n);

  // The first run whose end lies above k (whose readings reach reading k,
  // 0-based), or size().
  qsizetype firstEndingAbove(int32_t k) const;
  // The first run that begins behind record `place`, or size().
  qsizetype firstBeginningAfter(int64_t place) const;

 private:
  static constexpr int kBlockRuns = 16;
  static constexpr uint32_t kStepLimit = 1u << 16;
  struct Block {
    uint32_t first;  // of its first run
    int32_t end;     // of its first run
    uint32_t at;     // where its runs lie in m_words
    bool whole;      // two words a run, else one: the steps
  };
  // The last block's runs held whole from now on.
  void makeLastWhole();
  // The first run for which `behind` holds, by binary search: it holds for every run behind it.
  template <class Behind>
  qsizetype firstWhere(Behind behind) const {
    qsizetype lo = 0, hi = m_size;
    while (lo < hi) {
      const qsizetype mid = lo + (hi - lo) / 2;
      if (behind((*this)[mid])) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return lo;
  }
  void appendSlowly(ReadingRun run);
  void setLastEndSlowly(int32_t end);
  // Whether `run` can be held as steps from the block's first run.
  static bool fitsSteps(const Block& b, ReadingRun run) {
    return !b.whole && run.first >= b.first && run.first - b.first < kStepLimit && run.end >= b.end &&
           uint32_t(run.end - b.end) < kStepLimit;
  }
  // The last block's run i (0-based in it) set to `run`.
  void putInLast(qsizetype i, ReadingRun run);

  QVector<Block> m_blocks;
  QVector<uint32_t> m_words;
  qsizetype m_size = 0;
};
