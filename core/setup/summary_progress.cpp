#include "core/setup/summary_progress.h"

#include <algorithm>
#include <cmath>

#include "core/util/format_pattern.h"
#include "platform/twips_units.h"

namespace {
constexpr double kBorderTwips = 70;
}  // namespace

QString summaryBarText(const QString& unit, int32_t value, int32_t max) {
  if (max <= 0) return QString();
  if (unit.startsWith(u'$')) return unit.mid(1);
  if (!unit.isEmpty())
    return formatNumber(value, QStringLiteral("#,0")) + QStringLiteral("  of  ") +
           formatNumber(max, QStringLiteral("#,0")) + QStringLiteral("  ") + unit;
  // In double: value x 100 passes 32 bits from 21,474,837 on.
  return QString::number(static_cast<int64_t>(std::floor(double(value) * 100 / max))) + QStringLiteral(" %");
}

int summaryBarWidth(int frameWidth, int32_t value, int32_t max) {
  if (max <= 0) return 0;
  const double inner = std::max(0.0, frameWidth * double(kTwipsPerPixel) - kBorderTwips);
  const double twips = std::clamp(inner * value / max, 0.0, inner);
  return static_cast<int>(twips / kTwipsPerPixel);
}
