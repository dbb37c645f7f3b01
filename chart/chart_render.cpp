// Drawing the graph into the chart's picture and writing pictures out.
#include <algorithm>

#include "chart/chart_core.h"
#include "core/log/logmsg.h"
#include "imaging/bitmap.h"
#include "imaging/gdip.h"
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

void ChartCore::setPlotControls(const plotParamRecord&) {
  m_plotPic = &m_picture1;
  m_picture1BackColour = m_settings.plotBackgroundColor;
  m_crossPointer = true;
}

void ChartCore::redrawPlot() {
  if (!m_plotPic) return;
  drawGraphInto(m_picture1, m_picture1BackColour, graphDef, plotSeriesData, &m_picture1Font, &m_textLayouts);
  emit picture1Changed();
}

void ChartCore::writeImage(const QImage& picture, const QString& type, const QString& fileName,
                           QByteArray& bytes) {
  if (!m_gdip) return;
  const int32_t position = m_gdip->ExtensionExists(QStringLiteral("*.") + type);
  if (position == -1) return;
  const QUuid encoder = m_gdip->getEncoderClsid(position);
  cBitmap bitmap1;
  bitmap1.setGdipLink(m_gdip);
  int32_t status = bitmap1.CreateFromHBitmap(picture);
  if (status != 0) {
    logMsg(-1, QStringLiteral("writeImage: Error! bitmap1.CreateFromHBitmap = ") + QString::number(status));
    return;
  }
  if (!fileName.isEmpty()) {
    status = bitmap1.SaveToFile(fileName, encoder);
    if (status != 0)
      logMsg(-1, QStringLiteral("writeImage: Error! bitmap1.SaveToFile = ") + QString::number(status) +
                     QStringLiteral("\r\n") + fileName);
    else
      logMsg(2, QStringLiteral("writeImage: OK, File Saved!\r\n") + fileName);
    return;
  }
  const int32_t count = bitmap1.GetBitmapStream(bytes, encoder);
  if (count < 1)
    logMsg(-1, QStringLiteral("writeImage: Error! bitmap1.GetBitmapStream = ") + QString::number(count));
  else
    logMsg(2, QStringLiteral("writeImage: OK, stream created\r\nbytes = ") + QString::number(bytes.size()));
}

void ChartCore::setPicture1Size(QSize size) {
  size = size.expandedTo(QSize(1, 1));
  if (m_picture1.size() == size) return;
  m_picture1 = QImage(size, QImage::Format_RGB32);
  if (chartMode > 0 && m_plotPic == &m_picture1) {
    redrawPlot();
    return;
  }
  PictureCanvas canvas(&m_picture1, &m_textLayouts);
  canvas.setBackColor(m_picture1BackColour);
  canvas.clear();
  emit picture1Changed();
}
