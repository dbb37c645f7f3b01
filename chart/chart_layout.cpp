#include "chart/chart_layout.h"

#include "platform/twips_units.h"

std::optional<ChartLayout> layoutChart(const ChartLayoutInput& in) {
  constexpr int M = kLayoutMargin, G = kLayoutGap;
  constexpr int band = kBandHeight + M + G;
  const int sw = in.inner.width(), sh = in.inner.height();
  if (in.minimised || !(sh - band > 200 && sw > 200)) return std::nullopt;
  ChartLayout out;
  int pw = 0, ph = 0, innerWidth = sw;
  if (in.maximised || !in.fixedSize) {
    ph = sh - M - band;
    pw = sw - 2 * M;
  } else {
    pw = pxToTwips(in.plotPixels.width()) + in.pictureBorder.width();
    ph = pxToTwips(in.plotPixels.height()) + in.pictureBorder.height();
    out.window = QSize(in.frame.width() + pw + 2 * M, in.frame.height() + ph + M + band);
    innerWidth = pw + 2 * M;
  }
  out.picture = QRect(M, M, pw, ph);
  out.band = QRect(M, ph + M + G, innerWidth - 2 * M, kBandHeight);
  return out;
}

std::optional<QPoint> chartPlaceBelow(const QRect& mainWindow, bool bothNormal, int chartHeight,
                                      int screenHeight) {
  if (!bothNormal || screenHeight - (mainWindow.top() + mainWindow.height()) <= chartHeight) return std::nullopt;
  return QPoint(mainWindow.left(), mainWindow.top() + mainWindow.height());
}
