#pragma once
// The user's chart without widgets: its graph state, the span and end-time
// band as values, the fetch, the graph set-up and the drawing into its
// picture (Picture1), and the picture writer. Form4a is a shell around one of
// these. The web's graph pictures are drawn by the same set-up and drawing
// (graph_image.h), each from a job of its own.

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <optional>

#include "chart/chart_output.h"
#include "chart/marks_array.h"
#include "chart/zav_graph.h"
#include "imaging/gdip.h"
#include "meter/record/index_reader.h"
#include "platform/named_colours.h"
#include "plot/graph/graph_pick.h"
#include "plot/graph/graph_record.h"
#include "plot/graph/picture_canvas.h"
#include "plot/graph_request.h"
#include "plot/plot_data_reader.h"
#include "plot/plot_source.h"

// The x-scale choices of Option2, also the time axis's value kinds.
enum : int16_t { kXScalePoint = 0, kXScaleRecord = 1, kXScaleTime = 2 };

// Text3's fore colours: not a date-time, applied but not fetched, drawn.
constexpr int32_t kEndTextInvalid = kRed;
constexpr int32_t kEndTextPending = kBlue;
constexpr int32_t kEndTextDrawn = kBlack;

// Frame5, the band under the chart, as values; the window shows them.
struct ChartBand {
  QStringList spans;        // Combo2's list
  int spanIndex = -1;       // Combo2's selection
  QString endText;          // Text3, the end time
  int32_t endColour = kEndTextDrawn;
  bool now = false;         // chkNow
  bool fetchAtOnce = false; // Check3
  bool fetchEnabled = true; // Command3
  QString fetchCount;       // Text4
  QString status;           // Text2
};

class ChartCore : public QObject {
  Q_OBJECT

 public:
  // The chart with its own picture layer, not yet loaded. source: the plotted
  // slot and its index (none: slot 0, empty). pointLabel: the text of a picked
  // point, as the chart's window shows it (none: picked points get no label).
  explicit ChartCore(const Settings& settings, PlotSource source = {}, PointLabelSource pointLabel = {},
                     QObject* parent = nullptr);
  ~ChartCore() override;

  // Marks a chart that only ever draws pictures and is never shown; takes
  // effect when it is loaded.
  void setLoadAsInVisible(bool flag) { m_loadAsInvisible = flag; }
  bool loadAsInvisible() const { return m_loadAsInvisible; }
  // Loads the chart: the band set from the setup's graph slider with "Now"
  // on, unless it was marked invisible.
  void formLoad();

  // The settings the chart works with, a copy of the program's; a new one
  // counts from the next fetch and drawing on.
  const Settings& settings() const { return m_settings; }
  void setSettings(const Settings& settings) { m_settings = settings; }

  const ChartBand& band() const { return m_band; }

  // Time spans and fetch.
  void startupForm(Date endTime);
  void autoUpdatePlot(Date now, bool force);
  void chooseSpan(int index);      // Combo2_Click
  void stepSpan(int position);     // HScroll2: 0 longer, 2 shorter
  void stepTime(int position);     // HScroll3: 0 earlier, 2 later
  void setEndText(const QString& text);  // Text3 written, then its change handler
  void setNow(bool on);            // chkNow; a press on Text3 clears it
  void setFetchAtOnce(bool on);    // Check3
  void setFetchCount(const QString& text);  // Text4 as the user typed it
  void applySpan();
  void fetchAndPlot();             // also Command3_Click

  // Graph set-up and drawing.
  void makeXYplot();
  void initZavGraph(plotParamRecord& params, QVector<plotSeries>& series);
  // The earlier set-up of the same chart from the window's x-scale choice (kXScale...)
  // and the settings' ranges; sets the title. Only the window's initXYjt, which
  // nothing calls (the chart is set up by initZavGraph), calls this.
  void initXYjt(QString& title, int16_t seriesCount, Date xMin, Date xMax, double xStep, int16_t xScale);
  // Picture1 is the picture drawn into.
  void setPlotControls();
  // Picture1 drawn anew from the graph as it stands (a zoom, a scroll, an option): the
  // selection is placed on the new axes, kept also where they no longer show it.
  void redrawPlot();
  // The picture as a file of the type's encoder or, with no file name, into
  // bytes, through the chart's own picture layer (image_writer.h).
  void writeImage(const QImage& picture, const QString& type, const QString& fileName, QByteArray& bytes);

  // The window's picture: its inner size in pixels; a graph is drawn anew on it, its selection
  // placed on the new axes (redrawPlot).
  void setPicture1Size(QSize size);
  const QImage& picture1() const { return m_picture1; }
  QImage& picture1() { return m_picture1; }
  // Picture1's background; every plot of the window sets plotBackgroundColor again.
  int32_t picture1BackColour() const { return m_picture1BackColour; }
  void setPicture1BackColour(int32_t colour) { m_picture1BackColour = colour; }
  // Picture1's font for texts drawn on it (the graph sets its own); unset until a plot sets it.
  const std::optional<QFont>& picture1Font() const { return m_picture1Font; }
  const QImage* plotPic() const { return m_plotPic; }
  bool crossPointer() const { return m_crossPointer; }
  // The graph as the picking works on it.
  PickedGraph picked();
  // The pop-up "Graph Menu" frame is open: automatic updates wait.
  void setGraphMenuShown(bool shown) { m_graphMenuShown = shown; }

  plotParamRecord plotParam;
  QVector<plotSeries> plotSeriesData;
  graphRecord graphDef;
  int16_t chartMode = 0;  // 0 no graph, 2 the time plot
  QVector<int16_t> seriesList{1};
  bool savePicToFile = false;
  QVector<markRecord> marks;              // empty until the chart resets its marks
  QVector<fileTableEntry> fileTable;      // the first entry is the current one
  LogFiles logFiles;                      // a record plot's times (no log file is ever selected)

 signals:
  void bandChanged();
  void picture1Changed();
  void xyPlotBuilt();  // a new time plot is set up, before it is drawn: the window's controls follow it
  // A plot is drawn anew and the selection is found again in it, or cleared:
  // the window marks it anew.
  void selectionRebuilt();

 private:
  GraphLook look() const;
  // The graph into Picture1, without the marks of a selection.
  void drawPicture1();

  Settings m_settings;
  PlotSource m_source;
  PointLabelSource m_pointLabel;
  QPointer<cGDIP> m_gdip;
  ChartBand m_band;
  QImage m_picture1;
  QImage* m_plotPic = nullptr;
  TextLayouts m_textLayouts;  // the texts of Picture1's drawings
  std::shared_ptr<PlotReadScratch> m_readScratch = makePlotReadScratch();
  int32_t m_picture1BackColour = 0;
  std::optional<QFont> m_picture1Font;
  bool m_crossPointer = false;
  bool m_graphMenuShown = false;
  bool m_loadAsInvisible = false;
};
