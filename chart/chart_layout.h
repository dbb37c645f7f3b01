#pragma once
// Where the chart window puts its picture and its span band, in twips, and
// where a newly shown chart goes beside the main window. Pure arithmetic.

#include <QRect>
#include <QSize>
#include <optional>

struct ChartLayoutInput {
  QSize inner;          // the window's inner size
  QSize frame;          // outer minus inner size
  QSize pictureBorder;  // Picture1's outer minus inner size
  QSize plotPixels;     // the setup's plot size, already within its range
  bool minimised = false;
  bool maximised = false;
  bool fixedSize = false;
};

struct ChartLayout {
  QRect picture;                // Picture1's outer rectangle
  QRect band;                   // Frame5
  std::optional<QSize> window;  // the window's new outer size in fixed mode
};

constexpr int kLayoutMargin = 90;
constexpr int kLayoutGap = 120;
constexpr int kBandHeight = 750;

// Nothing to place while minimised or when the picture would get 200 twips or less.
std::optional<ChartLayout> layoutChart(const ChartLayoutInput& in);

// Top left of a newly shown chart directly below the main window, when both
// are in their normal state and the screen has room below; otherwise none.
std::optional<QPoint> chartPlaceBelow(const QRect& mainWindow, bool bothNormal, int chartHeight,
                                      int screenHeight);
