#pragma once
// The chart's time spans: the fifteen spans of the request key "r" and the
// setup's graph slider ("ALL", "1yr" ... "1min"), the x divisions each gets,
// and the arithmetic of the span and time steppers.

#include <cstdint>

#include "core/util/date_value.h"

// x-axis divisions of the graph for a span index; 0 outside the list.
int16_t xDivisionsBySpan(int index);
// Length of a span in days; 0 for "ALL" (index 0) and for any index outside 1..14.
Date spanToInterval(int index);
// The span after a click on the span stepper: position 0 steps to the next
// longer span but never to "ALL", 2 to the next shorter one; 1 stays.
int steppedSpanIndex(int index, int position, int count);
// The end time moved by half a span in `direction` (-1 or +1).
Date shiftedEndTime(Date end, int spanIndex, int direction);
// Start of the shown range: end minus the span, or the first record for "ALL".
Date spanStartTime(Date toTime, int spanIndex, Date firstRecordTime);
