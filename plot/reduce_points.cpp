#include <QVector>

#include "core/logmsg.h"
#include "platform/tick_clock.h"
#include "plot/plot_records.h"

namespace {
bool strictlyBetween(float v, float x, float y) { return (v > x && v < y) || (v < x && v > y); }

// Which of three neighbouring values goes: one that lies strictly between the
// other two; among ties never a strict peak or valley.
int dropOf(float a, float b, float c) {
  if (strictlyBetween(a, b, c)) return 0;
  if (strictlyBetween(b, a, c)) return 1;
  if (strictlyBetween(c, a, b)) return 2;
  if ((b > a && b > c) || (b < a && b < c)) return 0;  // a equals c: the extreme b stays
  return 1;                                            // b equals a neighbour: its value stays
}
}  // namespace

// The survivors walk as a list behind a fixed head: from the head, three
// neighbours lose one, the point after them is stepped over, and so on; at the
// end of the list the walk starts again from the head. Each walk is done as
// one pass over a dense array, which keeps the memory access sequential.
void reduceNodes(std::vector<ReduceNode>& nodes, int32_t maxPoints) {
  static std::vector<ReduceNode> scratch;
  int64_t remaining = static_cast<int64_t>(nodes.size());
  while (remaining > maxPoints) {
    const size_t m = nodes.size();
    scratch.resize(m);
    const ReduceNode* in = nodes.data();
    ReduceNode* out = scratch.data();
    size_t i = 0;
    for (; i + 3 <= m && remaining > maxPoints; i += 4) {
      const int drop = dropOf(in[i].value, in[i + 1].value, in[i + 2].value);
      if (drop != 0) *out++ = in[i];
      if (drop != 1) *out++ = in[i + 1];
      if (drop != 2) *out++ = in[i + 2];
      if (i + 3 < m) *out++ = in[i + 3];
      --remaining;
    }
    for (; i < m; ++i) *out++ = in[i];
    scratch.resize(out - scratch.data());
    nodes.swap(scratch);
  }
}

bool reducePoints(QVector<plotPoint>& points, int32_t maxPoints) {
  const int32_t n = static_cast<int32_t>(points.size()) - 1;
  logMsg(1, QStringLiteral("reducePoints: reducing from %1 to %2 points").arg(n).arg(maxPoints));
  if (maxPoints < 2) {
    // Fewer than three points after the head could never be thinned further.
    logMsg(-1, QStringLiteral("reducePoints: ERROR maxPoints=%1 is below 2").arg(maxPoints));
    return false;
  }
  if (n <= maxPoints) return true;
  const int32_t start = timeGetTime();
  std::vector<ReduceNode> nodes(n);
  for (int32_t i = 1; i <= n; ++i) nodes[i - 1] = {i, points[i].value};
  reduceNodes(nodes, maxPoints);
  // Survivors only move forward, each at most once.
  for (size_t k = 0; k < nodes.size(); ++k) points[static_cast<qsizetype>(k) + 1] = points[nodes[k].index];
  logMsg(2,
         QStringLiteral("reducePoints: time used= %1 mS").arg(static_cast<uint32_t>(timeGetTime() - start)));
  return true;
}
