#pragma once
// The point text of the chart without widgets: the lines of the picked point
// or stretch, where the value box goes beside the pointer, and the entries of
// the series list (Combo1).

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

#include "plot/graph/graph_record.h"
#include "plot/plot_data_reader.h"

// The text of the graph's selection: one point under mousePointerFlags, or
// the stretch from the anchor (selPnt1) under mouseMeasureFlags. Empty when
// the selection lies outside the plotted series (seriesListUpper of them).
QString makeGraphText(const graphRecord& graph, int seriesListUpper, const QVector<plotSeries>& series);

// Where the value box goes, all in twips: centred on the pointer and kept
// inside the picture, 500 below the pointer, or above it once it would leave
// the picture at the bottom, until it would leave it at the top. `above` is
// the window's box-above-pointer flag, kept between calls.
QPoint placeValueBox(const QRect& picture, const QPoint& pointer, const QSize& box, bool& above);

// Combo1's entries: a text and item data each, and the entry chosen.
struct SeriesListEntries {
  QStringList texts;
  QVector<int32_t> itemData;
  int listIndex = 0;
};
// The channels plotted (seriesListUpper of them) by the series' styles.
SeriesListEntries fillChannelList(int seriesListUpper, const graphRecord& graph);
// Every series of the graph by number; the first series is chosen when there is one.
SeriesListEntries fillSeriesList(const graphRecord& graph);
