#include <QVector>

#include "core/logmsg.h"
#include "platform/tick_clock.h"
#include "plot/plot_data_reader.h"

namespace {
bool strictlyBetween(float v, float x, float y) { return (v > x && v < y) || (v < x && v > y); }
}  // namespace

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

  // Forward list over the indices; 0 is the fixed head and also ends the list.
  QVector<int32_t> next(n + 1);
  for (int32_t i = 0; i < n; ++i) next[i] = i + 1;
  next[n] = 0;
  int32_t remaining = n;
  int32_t cur = 0;
  while (remaining > maxPoints) {
    const int32_t p1 = next[cur];
    const int32_t p2 = p1 ? next[p1] : 0;
    const int32_t p3 = p2 ? next[p2] : 0;
    if (!p1 || !p2 || !p3) {
      cur = 0;
      continue;
    }
    const int32_t p4 = next[p3];
    const float a = points[p1].value, b = points[p2].value, c = points[p3].value;
    if (strictlyBetween(a, b, c)) {
      next[cur] = p2;
    } else if (strictlyBetween(b, a, c)) {
      next[p1] = p3;
    } else if (strictlyBetween(c, a, b)) {
      next[p2] = p4;
    } else if ((b > a && b > c) || (b < a && b < c)) {
      // A strict peak or valley between two equal values: drop the first of
      // those, so the extreme survives.
      next[cur] = p2;
    } else {
      next[p1] = p3;  // b equals a neighbour: its value stays in the list
    }
    --remaining;
    cur = p4;
  }

  int32_t k = 0;
  for (int32_t i = next[0]; i != 0; i = next[i]) points[++k] = points[i];

  logMsg(2,
         QStringLiteral("reducePoints: time used= %1 mS").arg(static_cast<uint32_t>(timeGetTime() - start)));
  return true;
}
