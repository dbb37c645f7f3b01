#include "chart/series_selection.h"

#include "core/util/number_text.h"

std::optional<SeriesChoice> selectSeries(int listIndex, int32_t itemData) {
  if (listIndex < 0 || listIndex > INT16_MAX) return std::nullopt;
  return SeriesChoice{QString::number(listIndex), itemData >= 1 ? 1 : -1, static_cast<int16_t>(listIndex)};
}

SeriesAxes seriesAxisTexts(const graphRecord& graph, const QString& seriesText) {
  const double s = val(seriesText);
  if (s >= 1 && s <= graph.series.size() - 1) {
    const seriesDefRecord& def = graph.series[static_cast<qsizetype>(roundHalfEven(s))];
    return {QString::number(def.yAxis), QString::number(def.xAxis)};
  }
  return {QStringLiteral("0"), QStringLiteral("0")};
}
