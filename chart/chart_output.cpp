#include "chart/chart_output.h"

#include <QFile>
#include <QPainter>
#include <QPicture>
#include <algorithm>

#include "chart/chart_core.h"
#include "core/log/logmsg.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "imaging/gdiplus_layer.h"
#include "imaging/gif_encoder.h"
#include "platform/tick_clock.h"
#include "plot/graph/picture_canvas.h"
#include "plot/graph/plot_graph.h"

const QString kLoadablePictureName = QStringLiteral("Zav-pic001.gif");
QString marksFileTarget(const QVector<fileTableEntry>& fileTable) {
  return fileTable.isEmpty() ? QString() : fileTable.first().name;
}

bool drawChartOnPage(ChartCore& core, QPaintDevice& page) {
  const QSize size = core.picture1().size();
  // The drawing is recorded in Picture1's size, then played onto the page.
  QPicture recorded;
  recorded.setBoundingRect(QRect(QPoint(0, 0), size));
  {
    PictureCanvas canvas(&recorded);
    canvas.setScaleMode(kScalePixels);
    canvas.setBackColor(core.picture1BackColour());
    canvas.clear();
    if (core.chartMode > 0) plotJtGraphToPicture(core.graphDef, canvas, core.plotSeriesData);
  }
  QPainter painter;
  if (!painter.begin(&page)) return false;
  // A page's size is its printable area. A larger chart is scaled down to it, in its
  // proportions, instead of being cut at the page's edge.
  const double scale =
      std::min({1.0, double(page.width()) / size.width(), double(page.height()) / size.height()});
  painter.scale(scale, scale);
  painter.drawPicture(0, 0, recorded);
  return painter.end();
}

bool loadChartPicture(ChartCore& core) {
  const QString path = core.settings().defDirName + kLoadablePictureName;
  const Result<QImage> loaded = gdipLoadImage(path);
  if (!loaded || loaded->isNull()) {
    logMsg(-1, QStringLiteral("loadChartPicture: ERROR cannot load ") + path + QStringLiteral(": ") +
                   (loaded ? QStringLiteral("no picture") : loaded.error()));
    return false;
  }
  QPainter(&core.picture1()).drawImage(0, 0, *loaded);
  emit core.picture1Changed();
  return true;
}

void savePicAsGif1(const QImage& pic, const QString& fileName) {
  const Result<int32_t> n = saveBitmapAsGif(pic, fileName);
  if (n)
    logMsg(2, QStringLiteral("savePicAsGif1: A GIF of ") + QString::number(*n) +
                  QStringLiteral(" bytes was created in ."));
  else
    logMsg(-1, QStringLiteral("savePicAsGif1: ") + n.error() + kCrLf + fileName);
}

void savePic(ChartCore& core, const QString& fileName) {
  const int32_t t0 = timeGetTime();
  QString text;
  const QImage* pic = core.plotPic();
  if (fileName.right(4).toLower() == QStringLiteral(".gif")) {
    text = QStringLiteral("savePic: converting plot picture to : ") + fileName + kCrLf;
    if (pic) savePicAsGif1(*pic, fileName);
  } else if (!fileName.isEmpty()) {
    text = QStringLiteral("savePic: saving plot image to to : ") + fileName + kCrLf;
    QByteArray unused;
    if (pic && !pic->isNull()) core.writeImage(*pic, QStringLiteral("bmp"), fileName, unused);
  }
  text += QStringLiteral("savePic: elapsed time = ") +
          QString::number(static_cast<qint64>(tickDiff(t0, timeGetTime()))) + QStringLiteral("ms\r\n");
  logMsgToWindow(2, text);
}
