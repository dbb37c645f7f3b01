#pragma once
// The series choice of the chart's tools panel as values: Combo1 (the list
// of plotted series or channels), Text36 (the series number, 0 = all) and
// the axis numbers shown beside it (Text38 y axis, Text39 x axis).

#include <QString>
#include <cstdint>
#include <optional>

#include "plot/graph/graph_record.h"

struct SeriesChoice {
  QString seriesText;     // Text36
  int32_t selSeriesMask;  // 1 one series, -1 all
  int16_t selSeriesIndex;
};

// The entry chosen in Combo1 and its item data (a series number, or 0 for
// the entries that stand for all). Nothing while no entry is chosen (-1, as
// while the user types into the box).
std::optional<SeriesChoice> selectSeries(int listIndex, int32_t itemData);

struct SeriesAxes {
  QString yAxis, xAxis;  // Text38, Text39
};
// The axes of the series named in Text36; "0" and "0" for no such series.
SeriesAxes seriesAxisTexts(const graphRecord& graph, const QString& seriesText);
