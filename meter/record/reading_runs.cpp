#include "meter/record/reading_runs.h"

#include <algorithm>

ReadingRuns::ReadingRuns(std::initializer_list<ReadingRun> runs) {
  for (const ReadingRun& r : runs) append(r);
}

void ReadingRuns::putInLast(qsizetype i, ReadingRun run) {
  Block& b = m_blocks.last();
  if (i == 0 && !b.whole) {  // the block's first run is its base
    b.first = run.first;
    b.end = run.end;
  }
  if (!b.whole && !fitsSteps(b, run)) makeLastWhole();
  if (b.whole) {
    m_words[b.at + 2 * i] = run.first;
    m_words[b.at + 2 * i + 1] = uint32_t(run.end);
  } else {
    m_words[b.at + i] = (run.first - b.first) | (uint32_t(run.end - b.end) << 16);
  }
}

void ReadingRuns::makeLastWhole() {
  Block& b = m_blocks.last();
  const qsizetype n = m_size - (m_blocks.size() - 1) * kBlockRuns;
  QVector<ReadingRun> runs(n);
  for (qsizetype i = 0; i < n; ++i) runs[i] = (*this)[(m_blocks.size() - 1) * kBlockRuns + i];
  b.whole = true;
  m_words.resize(b.at + 2 * n);
  for (qsizetype i = 0; i < n; ++i) {
    m_words[b.at + 2 * i] = runs[i].first;
    m_words[b.at + 2 * i + 1] = uint32_t(runs[i].end);
  }
}

void ReadingRuns::appendSlowly(ReadingRun run) {
  const qsizetype i = m_size % kBlockRuns;
  if (i == 0) m_blocks.append(Block{.first = run.first, .end = run.end, .at = uint32_t(m_words.size()), .whole = false});
  m_words.resize(m_words.size() + (m_blocks.last().whole ? 2 : 1));
  m_size += 1;
  putInLast(i, run);
}

void ReadingRuns::setLastEndSlowly(int32_t end) {
  ReadingRun run = last();
  run.end = end;
  putInLast((m_size - 1) % kBlockRuns, run);
}

void ReadingRuns::truncate(qsizetype n) {
  if (n >= m_size) return;
  m_size = std::max<qsizetype>(n, 0);
  m_blocks.resize((m_size + kBlockRuns - 1) / kBlockRuns);
  if (m_blocks.isEmpty()) {
    m_words.clear();
    return;
  }
  const Block& b = m_blocks.last();
  m_words.resize(b.at + (b.whole ? 2 : 1) * (m_size - (m_blocks.size() - 1) * kBlockRuns));
}

qsizetype ReadingRuns::firstEndingAbove(int32_t k) const {
  return firstWhere([k](ReadingRun r) { return r.end > k; });
}

qsizetype ReadingRuns::firstBeginningAfter(int64_t place) const {
  return firstWhere([place](ReadingRun r) { return r.first > place; });
}
