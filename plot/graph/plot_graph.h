#pragma once
// The drawing engine: puts one graph definition with its plot data on a
// picture, layer by layer. The picture is cleared by the caller. The graph
// gets back its plot rectangle, units per pixel, each axis's transform and
// the extent of the values drawn against each axis.
//
// A failing element (a list index outside its list, an overflow, a value the
// picture refuses) is logged as "plotJtGraphToPicture: ERROR <number> (<what
// it means>)" and skipped; nothing is thrown to the caller.

#include <QVector>

#include "plot/graph/graph_record.h"
#include "plot/plot_data_reader.h"

class PictureCanvas;

void plotJtGraphToPicture(graphRecord& graph, PictureCanvas& plotPic, const QVector<plotSeries>& seriesData);
