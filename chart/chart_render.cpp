// Drawing the graph into the chart's pictures and writing pictures out.
#include <algorithm>

#include "chart/chart_core.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "imaging/bitmap.h"
#include "imaging/gdip.h"
#include "imaging/pic_buffer.h"
#include "plot/graph/picture_canvas.h"
#include "plot/graph/plot_graph.h"

void ChartCore::setPlotControls(const plotParamRecord& params) {
  if (screenPlot) {
    m_plotPic = &m_picture1;
    m_picture1BackColour = plotBackgroundColor;
    m_crossPointer = true;
    return;
  }
  m_plotPic = &m_picture2;
  const int w = std::clamp(params.width, kMinWebImageSide, kMaxWebImageSide);
  const int h = std::clamp(params.height, kMinWebImageSide, kMaxWebImageSide);
  if (m_picture2.size() != QSize(w, h)) m_picture2 = QImage(w, h, QImage::Format_RGB32);
  if (params.colorB > -1) m_picture2BackColour = params.colorB;
}

void ChartCore::drawInto(QImage& picture, int32_t backColour, const QVector<plotSeries>& series,
                         std::optional<QFont>* font) {
  if (picture.isNull()) return;
  PictureCanvas canvas(&picture);
  canvas.setScaleMode(kScalePixels);
  if (font && *font) canvas.setFont(**font);
  canvas.setBackColor(backColour);
  canvas.clear();
  plotJtGraphToPicture(graphDef, canvas, series);
  if (font) *font = canvas.font();
}

void ChartCore::redrawPlot() {
  if (!m_plotPic) return;
  const bool own = m_plotPic == &m_picture1;
  drawInto(*m_plotPic, own ? m_picture1BackColour : m_picture2BackColour, plotSeriesData,
           own ? &m_picture1Font : nullptr);
  if (own) emit picture1Changed();
}

void ChartCore::renderAndWriteImage(plotParamRecord& params, QVector<plotSeries>& series) {
  if (!m_plotPic) return;
  const bool own = m_plotPic == &m_picture1;
  drawInto(*m_plotPic, own ? m_picture1BackColour : m_picture2BackColour, series, own ? &m_picture1Font : nullptr);
  if (screenPlot) return;
  writeImage(*m_plotPic, params.imageType, QString(), picBuffer);
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
  PictureCanvas canvas(&m_picture1);
  canvas.setBackColor(m_picture1BackColour);
  canvas.clear();
  emit picture1Changed();
}
