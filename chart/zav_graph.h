#pragma once
// The power and temperature time chart as a graph definition, set up from
// fetched plot data, and its drawing into a picture: the user's chart and the
// web's graph pictures use these alike.

#include <QFont>
#include <QImage>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

#include "chart/selection_text.h"
#include "core/settings/settings.h"
#include "plot/graph/graph_record.h"
#include "plot/graph_request.h"
#include "plot/plot_data_reader.h"

class TextLayouts;

// What the set-up takes from the settings.
struct GraphLook {
  ValueUnits units;            // vtPower and vtEnergy: the captions and the title's energy
  bool pointMarks = false;     // advancedFunctions: round marks on every point
  QString appName;             // in the footer
  static GraphLook of(const Settings& settings);
};

// Sets `graph` up for the fetched series as the request says (sizes, colours,
// ranges, the compare range, the title with the energy used).
void initZavGraph(graphRecord& graph, const plotParamRecord& params, const QVector<plotSeries>& series,
                  const GraphLook& look);

// Clears `picture` to backColour and draws the graph on it. font: the
// picture's own font, taken at the start and kept at the end (none: the
// canvas's default). layouts: kept by whoever draws again and again.
void drawGraphInto(QImage& picture, int32_t backColour, graphRecord& graph, const QVector<plotSeries>& series,
                   std::optional<QFont>* font = nullptr, TextLayouts* layouts = nullptr);
