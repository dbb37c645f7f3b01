#include "chart/chart_spans.h"

#include <algorithm>

#include "plot/graph_request.h"

namespace {
constexpr int16_t kXDivisions[kSpanCount] = {0, 12, 6, 3, 4, 7, 8, 12, 6, 3, 12, 6, 3, 5, 12};
}

int16_t xDivisionsBySpan(int index) { return index >= 0 && index < kSpanCount ? kXDivisions[index] : 0; }

Date spanToInterval(int index) { return index >= 1 && index < kSpanCount ? spanLength(index) : 0; }

int steppedSpanIndex(int index, int position, int count) {
  if (count < 1) return index;
  if (position == 0) return std::max(index - 1, 1);
  if (position == 2) return std::min(index + 1, count - 1);
  return index;
}

Date shiftedEndTime(Date end, int spanIndex, int direction) {
  return end + direction * spanToInterval(spanIndex) / 2;
}

Date spanStartTime(Date toTime, int spanIndex, Date firstRecordTime) {
  const Date interval = spanToInterval(spanIndex);
  return interval > 0 ? toTime - interval : firstRecordTime;
}
