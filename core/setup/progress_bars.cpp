#include "core/setup/progress_bars.h"

#include "core/util/format_pattern.h"

void ProgressBars::Reset(const QString& title) {
  cancelRequested = false;
  m_title = title;
  m_bars.clear();
  initBar(-1, 0, 100, QStringLiteral("%"));
}

int32_t ProgressBars::initBar(int32_t index, double min, double max, const QString& unit) {
  const int32_t i = index == -1 ? count() : index;
  if (i < 0) return i;
  while (count() <= i) m_bars.append(progressBarRecord{});
  progressBarRecord& b = m_bars[i];
  b.min = min;
  b.max = max;
  b.unit = unit;
  return i;
}

ProgressBars::Step ProgressBars::update(int32_t index, double value) {
  Step s;
  if (index < 0 || index >= count()) return s;
  s.known = true;
  progressBarRecord& b = m_bars[index];
  const double range = b.max - b.min;
  if (!(range > 0)) return s;
  s.drawn = true;
  s.fraction = (value - b.min) / range;
  s.firstShow = b.updateCount == 0;
  ++b.updateCount;
  s.text = progressText(b, value, s.fraction);
  return s;
}

QString progressText(const progressBarRecord& bar, double value, double fraction) {
  if (bar.unit == u"%") return formatNumber(fraction * 100, QStringLiteral("#,0")) + QStringLiteral(" %");
  if (bar.unit.startsWith(u'$')) return bar.unit.mid(1);
  return bar.unit + QStringLiteral("  ") + formatNumber(value, QStringLiteral("#,0")) +
         QStringLiteral("  of  ") + formatNumber(bar.max, QStringLiteral("#,0"));
}
