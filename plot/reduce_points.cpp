#include <QVector>

#include "core/logmsg.h"
#include "platform/tick_clock.h"
#include "plot/plot_records.h"

namespace {
// Which of three neighbouring values goes: one that lies strictly between the
// other two; among ties never a strict peak or valley. Branch-free, as the
// values of a long series give the branch predictor nothing to learn.
inline int dropOf(float a, float b, float c) {
  const double ab = double(a) - b, ac = double(a) - c, bc = double(b) - c;
  const bool aBetween = ab * ac < 0;
  const bool bBetween = ab * bc > 0;  // (b - a) * (b - c) < 0
  const bool cBetween = ac * bc < 0;  // (c - a) * (c - b) < 0
  const bool bExtreme = ab * bc < 0;  // b above or below both (then a equals c)
  return aBetween ? 0 : bBetween ? 1 : cBetween ? 2 : bExtreme ? 0 : 1;
}
}  // namespace

// The survivors walk as a list behind a fixed head: from the head, three
// neighbours lose one, the point after them is stepped over, and so on; at the
// end of the list the walk starts again from the head. Each walk is done as
// one pass over a dense array, which keeps the memory access sequential.
size_t reduceNodes(ReduceNode* nodes, size_t count, int32_t maxPoints) {
  static std::vector<ReduceNode> scratch;
  if (scratch.size() < count) scratch.resize(count);
  ReduceNode* in = nodes;
  ReduceNode* spare = scratch.data();
  size_t m = count;
  int64_t remaining = static_cast<int64_t>(count);
  while (remaining > maxPoints) {
    ReduceNode* out = spare;
    size_t i = 0;
    for (; i + 3 <= m && remaining > maxPoints; i += 4) {
      const int drop = dropOf(in[i].value, in[i + 1].value, in[i + 2].value);
      out[0] = drop == 0 ? in[i + 1] : in[i];
      out[1] = drop == 2 ? in[i + 1] : in[i + 2];
      out += 2;
      if (i + 3 < m) *out++ = in[i + 3];
      --remaining;
    }
    for (; i < m; ++i) *out++ = in[i];
    m = static_cast<size_t>(out - spare);
    std::swap(in, spare);
  }
  if (in != nodes) std::copy(in, in + m, nodes);
  return m;
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
  const size_t kept = reduceNodes(nodes.data(), nodes.size(), maxPoints);
  // Survivors only move forward, each at most once.
  for (size_t k = 0; k < kept; ++k) points[static_cast<qsizetype>(k) + 1] = points[nodes[k].index];
  logMsg(2,
         QStringLiteral("reducePoints: time used= %1 mS").arg(static_cast<uint32_t>(timeGetTime() - start)));
  return true;
}
