#include "chart/axis_number_format.h"

#include <algorithm>
#include <cmath>

namespace {
// More places than a double carries are noise; the largest double has 309 digits.
constexpr int kMaxIntegerPlaces = 308;
constexpr int kMaxDecimals = 30;
}  // namespace

QString makeNumberFormat(int digits, bool isSigned, double magnitude) {
  int n = 0;
  if (magnitude > 0) {
    const double e = std::floor(std::log10(magnitude));
    n = std::isfinite(e) ? static_cast<int>(std::clamp(e, 0.0, double(kMaxIntegerPlaces))) : kMaxIntegerPlaces;
  }
  QString f = QString(n, u'#') + u'0';
  if (digits > n + 1)
    f += u'.' + QString(std::min(digits - n - 1, kMaxDecimals), u'0');
  else if (digits == n + 1)
    f = u'#' + f;
  return isSigned ? u'+' + f + QStringLiteral(";-") + f + u';' + f : f;
}

void refreshValueAxisFormats(graphRecord& graph) {
  for (qsizetype a = 1; a < graph.axes.size(); ++a) {
    graphAxisRecord& axis = graph.axes[a];
    if (axis.position != kAxisLeft && axis.position != kAxisRight) continue;
    for (qsizetype j = 1; j < axis.labels.size(); ++j) {
      axisLabelRecord& l = axis.labels[j];
      const double top = l.labelFactor * axis.maxValue + l.labelOffset;
      const double bottom = l.labelFactor * axis.minValue + l.labelOffset;
      const bool isSigned = !(bottom >= 0 && top >= 0);
      l.numberFormat = makeNumberFormat(4, isSigned, std::max(std::fabs(bottom), std::fabs(top)));
    }
  }
}
