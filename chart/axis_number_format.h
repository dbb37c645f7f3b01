#pragma once
// Number formats of axis labels that follow the shown range.

#include <QString>

#include "plot/graph/graph_record.h"

// A format pattern with `digits` significant digits for values up to
// `magnitude`: "0.000" for 4 digits at 5, "+##0.0;-##0.0;##0.0" for 4 signed
// digits at 250, "#0" for 1 digit at 5. A magnitude of 0 or less (an axis
// whose bounds are both 0) counts as one digit place; digit counts are kept
// to what a number can show.
QString makeNumberFormat(int digits, bool isSigned, double magnitude);

// Every label scale of every value axis (position 2 or 3) gets the format of
// its shown range, 4 significant digits, signed unless both ends are >= 0.
void refreshValueAxisFormats(graphRecord& graph);
