// Drawing the graph into the chart's picture and writing pictures out.
#include <algorithm>

#include "chart/chart_core.h"
#include "chart/image_writer.h"
#include "chart/kept_selection.h"
#include "plot/graph/picture_canvas.h"
#include "plot/graph/plot_graph.h"

void drawGraphInto(QImage& picture, int32_t backColour, graphRecord& graph, const QVector<plotSeries>& series,
                   std::optional<QFont>* font, TextLayouts* layouts) {
  if (picture.isNull()) return;
  PictureCanvas canvas(&picture, layouts);
  canvas.setScaleMode(kScalePixels);
  if (font && *font) canvas.setFont(**font);
  canvas.setBackColor(backColour);
  canvas.clear();
  plotJtGraphToPicture(graph, canvas, series);
  if (font) *font = canvas.font();
}

void ChartCore::setPlotControls() {
  m_plotPic = &m_picture1;
  m_picture1BackColour = m_settings.plotBackgroundColor;
  m_crossPointer = true;
}

void ChartCore::drawPicture1() {
  drawGraphInto(m_picture1, m_picture1BackColour, graphDef, plotSeriesData, &m_picture1Font, &m_textLayouts);
  emit picture1Changed();
}

void ChartCore::redrawPlot() {
  if (!m_plotPic) return;
  // The drawing replaces the picture the marks were on, and may move the selected points.
  drawPicture1();
  placeSelection(graphDef, plotSeriesData);
  emit selectionRebuilt();
}

void ChartCore::writeImage(const QImage& picture, const QString& type, const QString& fileName,
                           QByteArray& bytes) {
  ::writeImage(m_gdip, picture, type, fileName, bytes);
}

void ChartCore::setPicture1Size(QSize size) {
  size = size.expandedTo(QSize(1, 1));
  if (m_picture1.size() == size) return;
  m_picture1 = QImage(size, QImage::Format_RGB32);
  if (chartMode > 0 && m_plotPic == &m_picture1) {
    redrawPlot();  // new axes: the selection moves with its point
    return;
  }
  PictureCanvas canvas(&m_picture1, &m_textLayouts);
  canvas.setBackColor(m_picture1BackColour);
  canvas.clear();
  emit picture1Changed();
}
