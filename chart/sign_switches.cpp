#include "chart/sign_switches.h"

#include <cmath>

#include "core/util/number_text.h"

int16_t signSwitched(int16_t v, bool flag) {
  if (flag) return v;
  return v == INT16_MIN ? INT16_MAX : static_cast<int16_t>(-v);
}

int16_t signSet(int16_t v, bool positive) {
  const int16_t magnitude = v == INT16_MIN ? INT16_MAX : static_cast<int16_t>(std::abs(v));
  return positive ? magnitude : static_cast<int16_t>(-magnitude);
}

void flipGridLayers(graphRecord& graph, int16_t chartMode, bool flag) {
  if (chartMode < 1) return;
  for (qsizetype a = 1; a < graph.axes.size(); ++a)
    for (qsizetype i = 1; i < graph.axes[a].gridLines.size(); ++i) {
      int16_t& layer = graph.axes[a].gridLines[i].layer;
      layer = signSwitched(layer, flag);
    }
}

void flipTimeLabelLayers(graphRecord& graph, int16_t chartMode, bool flag) {
  if (chartMode < 1) return;
  for (qsizetype a = 1; a < graph.axes.size(); ++a) {
    graphAxisRecord& axis = graph.axes[a];
    if (axis.position != kAxisBottom) continue;
    for (qsizetype i = 1; i < axis.ticks.size(); ++i) axis.ticks[i].layer = signSet(axis.ticks[i].layer, flag);
    for (qsizetype i = 1; i < axis.labels.size(); ++i) axis.labels[i].layer = signSet(axis.labels[i].layer, flag);
  }
}

namespace {
// Series first..last of the graph, or none when index lies outside it.
template <class Apply>
void forSeries(graphRecord& graph, int16_t chartMode, int32_t index, Apply&& apply) {
  if (chartMode != 2 && chartMode != 3) return;
  const qsizetype last = graph.series.size() - 1;
  if (index < 0 || index > last) return;
  const qsizetype first = index == 0 ? 1 : index, end = index == 0 ? last : index;
  for (qsizetype s = first; s <= end; ++s) apply(graph.series[s].markShape);
}
}  // namespace

void flipMarkShapes(graphRecord& graph, int16_t chartMode, bool flag, int16_t index) {
  forSeries(graph, chartMode, index, [flag](int16_t& shape) { shape = signSwitched(shape, flag); });
}

void showSeriesMarks(graphRecord& graph, int16_t chartMode, bool shown, const QString& seriesText) {
  const double s = val(seriesText);
  const int32_t index = std::isfinite(s) && std::fabs(s) < 1e9 ? static_cast<int32_t>(roundHalfEven(s)) : -1;
  forSeries(graph, chartMode, index, [shown](int16_t& shape) { shape = signSet(shape, shown); });
}
