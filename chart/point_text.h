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

#include "core/settings/settings.h"
#include "plot/graph/graph_record.h"
#include "plot/plot_data_reader.h"

// The text of the graph's selection: one point under the settings'
// mousePointerFlags, or the stretch from the anchor (selPnt1), dragged or
// kept, under their mouseMeasureFlags, in their units. Empty when the
// selection lies outside the plotted series (seriesListUpper of them).
QString makeGraphText(const graphRecord& graph, int seriesListUpper, const QVector<plotSeries>& series,
                      const Settings& settings);

// Where the value box goes, all in twips: centred on the pointer and kept
// inside the picture, 500 below the pointer, or above it once it would leave
// the picture at the bottom, until it would leave it at the top. `above` is
// the window's box-above-pointer flag, kept between calls. A box held at an
// edge that would lie under the pointer takes the other side at once.
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

// The pieces of a point's text that the Text Box menu items choose.
struct PointTextPieces {
  bool batName = false, channel = false;
  bool absPoint = false, relPoint = false;
  bool absRecord = false, relRecord = false;
  bool absTime = false, relTime = false;
  bool absValue = false, relValue = false;
};

// The text of point p of series s from the chosen pieces, separated by two
// blanks: the name, "adr,nch: s,n" (n the plotted channels), the point, its
// record, its time, its value in "W" or, for seriesType 3, "°C". Relative
// pieces count from refPoint; when it is not a point of the series they are
// one "refPoint ERROR". Empty when s or p names no point. Nothing asks for it
// yet: the value box shows getPntTxt's text; a record view would label with it.
QString makePointText(int s, int32_t p, int16_t seriesType, int32_t refPoint, int channelCount,
                      const PointTextPieces& pieces, const QVector<plotSeries>& series);

// A stand-in point text that nothing asks for.
QString getEmptyText();
