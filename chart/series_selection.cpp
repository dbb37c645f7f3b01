#include "chart/series_selection.h"

#include "core/util/number_text.h"

std::optional<SeriesChoice> selectSeries(int listIndex, int32_t itemData) {
  if (listIndex < 0 || listIndex > INT16_MAX) return std::nullopt;
  return SeriesChoice{.seriesText = QString::number(listIndex),
                      .selSeriesMask = itemData >= 1 ? 1 : -1,
                      .selSeriesIndex = static_cast<int16_t>(listIndex)};
}

SeriesAxes seriesAxisTexts(const graphRecord& graph, const QString& seriesText) {
  const double s = val(seriesText);
  if (s >= 1 && s <= graph.series.size() - 1) {
    const seriesDefRecord& def = graph.series[static_cast<qsizetype>(roundHalfEven(s))];
    return {.yAxis = QString::number(def.yAxis), .xAxis = QString::number(def.xAxis)};
  }
  return {.yAxis = QStringLiteral("0"), .xAxis = QStringLiteral("0")};
}
