#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graph_pictures.h"
#include "plot/graph/font_text.h"
#include "support/log_capture.h"

namespace {

TEST(DrawLayout, plotRectangleAndAxisLines) {
  graphRecord g = plainGraph(0, 10, 0, 100);
  int16_t i = 0;
  addGraphAxis(i, {.layer = 3, .position = kAxisRight, .maxValue = 1}, g);
  addGraphAxis(i = 0, {.layer = 3, .position = kAxisTop, .maxValue = 1}, g);
  const int32_t colours[5] = {0, kRed, kBlue, kGreen, kMagenta};
  for (int a = 1; a <= 4; ++a) g.axes[a].axisLineColour = colours[a];
  g.axes[1].lineWidth = 1;
  g.axes[2].lineWidth = 2;
  g.axes[3].lineWidth = 1;
  g.axes[4].lineWidth = 1;
  const QImage img = drawGraph(g, {});

  EXPECT_EQ(g.plotLeft, 20);
  EXPECT_EQ(g.plotRight, 179);
  EXPECT_EQ(g.plotTop, 10);
  EXPECT_EQ(g.plotBottom, 89);
  EXPECT_EQ(g.unitsPerPixelX, 1);
  EXPECT_EQ(g.unitsPerPixelY, 1);
  EXPECT_EQ(inkOf(img, kRed), QRect(QPoint(20, 90), QPoint(179, 90)));
  EXPECT_EQ(inkOf(img, kBlue), QRect(QPoint(18, 10), QPoint(19, 89)));
  EXPECT_EQ(inkOf(img, kGreen), QRect(QPoint(180, 10), QPoint(180, 89)));
  EXPECT_EQ(inkOf(img, kMagenta), QRect(QPoint(20, 9), QPoint(179, 9)));

  // The transform is stored in the axes: minValue on the left or bottom edge.
  EXPECT_DOUBLE_EQ(g.axes[1].scale, 15.9);
  EXPECT_DOUBLE_EQ(g.axes[1].map().toPixel(0), 20);
  EXPECT_DOUBLE_EQ(g.axes[1].map().toPixel(10), 179);
  EXPECT_DOUBLE_EQ(g.axes[2].map().toPixel(0), 89);
  EXPECT_DOUBLE_EQ(g.axes[2].map().toPixel(100), 10);
  EXPECT_DOUBLE_EQ(g.axes[2].map().toValue(g.axes[2].map().toPixel(37.5)), 37.5);
}

TEST(DrawLayout, marginsPaddingAndEmptyRange) {
  graphRecord g = plainGraph(0, 10, 0, 100, 0);
  int16_t i = 0;
  addGraphAxis(i, {.layer = 3, .padUnits = 2, .maxValue = 10}, g);  // padded: 1 unit in from each side
  // max = min + pad: no range
  addGraphAxis(i = 0, {.layer = 3, .position = kAxisLeft, .padUnits = 5, .maxValue = 5}, g);
  drawGraph(g, {});
  EXPECT_EQ(g.plotLeft, 0);
  EXPECT_EQ(g.plotRight, 199);
  EXPECT_EQ(g.plotBottom, 99);
  EXPECT_DOUBLE_EQ(g.axes[3].map().toPixel(1), 0);
  EXPECT_DOUBLE_EQ(g.axes[3].map().toPixel(9), 199);
  EXPECT_EQ(g.axes[4].scale, 1);
  EXPECT_EQ(g.axes[4].offset, 0);
}

TEST(DrawLayout, noLayersStillSetsUpAndResets) {
  LogCapture log;
  graphRecord g = plainGraph(0, 10, 0, 100);
  g.layerCount = 0;
  g.plotBackColour = kRed;
  g.axes[1].lineWidth = 1;
  QImage img(200, 100, QImage::Format_RGB32);
  img.fill(Qt::white);
  PictureCanvas pic(&img);
  pic.setDrawWidth(5);
  plotJtGraphToPicture(g, pic, {});
  EXPECT_EQ(inkOf(img, kWhite), img.rect());
  EXPECT_EQ(g.plotRight, 179);
  EXPECT_EQ(pic.drawWidth(), 1);
  EXPECT_EQ(pic.foreColor(), 0);
  EXPECT_EQ(pic.fillColor(), kWhite);
  EXPECT_EQ(pic.fillStyle(), kFillTransparent);
  EXPECT_TRUE(log.contains("plotJtGraphToPicture()\n  plotPic.ScaleMode = 3\n  plotPic.scaleWidth = 200\n"
                           "  plotPic.scaleHeight = 100\n  pixel dUppX = 1\n  pixel dUppY = 1\n  bg.font = "));
}

TEST(DrawLayout, backgroundFillsThePlotRectangle) {
  graphRecord g = plainGraph(0, 10, 0, 100);
  g.plotBackColour = kYellow;
  const QImage img = drawGraph(g, {});
  EXPECT_EQ(inkOf(img, kYellow), QRect(QPoint(20, 10), QPoint(179, 89)));
}

// Rows or columns holding a colour.
QVector<int> rowsOf(const QImage& img, int32_t colour) {
  QVector<int> rows;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (pixel(img, x, y) == colour) {
        rows.append(y);
        break;
      }
  return rows;
}
QVector<int> columnsOf(const QImage& img, int32_t colour) {
  QVector<int> cols;
  for (int x = 0; x < img.width(); ++x)
    for (int y = 0; y < img.height(); ++y)
      if (pixel(img, x, y) == colour) {
        cols.append(x);
        break;
      }
  return cols;
}

TEST(DrawLayout, gridLines) {
  graphRecord g = plainGraph(0, 10, 0, 3);
  g.axes[2].axisFlags = -1;  // whole numbers: 6 divisions of 0..3 become 3
  int16_t i = 0;
  addGridLines(i, {.layer = 1, .divisions = 6, .colour = kBlue}, 0, g.axes[2]);
  // The value at maxValue is not drawn.
  addGridLines(i = 0, {.layer = 1, .step = 2, .end = 10, .colour = kRed}, 0, g.axes[1]);
  const QImage img = drawGraph(g, {});
  const double y1 = 89 - 79.0 / 3, y2 = 89 - 2 * 79.0 / 3;
  EXPECT_EQ(rowsOf(img, kBlue), QVector<int>({int(std::lround(y2)), int(std::lround(y1))}));
  int n = 0;
  inkOf(img, kBlue, &n);
  EXPECT_EQ(n, 2 * (181 - 20));  // L to R + 1
  EXPECT_EQ(columnsOf(img, kRed), QVector<int>({20, 52, 84, 115, 147}));
  EXPECT_EQ(inkOf(img, kRed).top(), 10);
  EXPECT_EQ(inkOf(img, kRed).bottom(), 89);
}

TEST(DrawLayout, tickMarksOutsideTheAxisLine) {
  graphRecord g = plainGraph(0, 10, 0, 100);
  int16_t i = 0;
  addTickMarks(i, {.layer = 3, .divisions = 4, .colour = kBlue}, g.axes[2]);
  addTickMarks(i = 0, {.layer = 3, .step = 5, .end = 10, .colour = kRed}, g.axes[1]);
  const QImage img = drawGraph(g, {});
  // 75, 50, 25 at 89 - 0.79 v, a one-pixel tick reaching half a pixel up from there
  EXPECT_EQ(rowsOf(img, kBlue), QVector<int>({29, 49, 69}));
  EXPECT_EQ(inkOf(img, kBlue), QRect(QPoint(10, 29), QPoint(19, 69)));
  EXPECT_EQ(columnsOf(img, kRed), QVector<int>({20, 100, 179}));  // both ends pass the range test
  EXPECT_EQ(inkOf(img, kRed), QRect(QPoint(20, 90), QPoint(179, 99)));
}

TEST(DrawLayout, signLinesOnlyInsideThePlot) {
  struct Row {
    const char* name;
    int16_t sign;
    double reference;
    int row;  // -1: not drawn
  } rows[] = {{"referenceAtZero", 0, 0, 89},
              {"referenceBelowThePlot", 0, -50, -1},
              {"mark1", 1, 0, 29},  // 29.75 less half a pixel
              {"maxValue", 2, 0, 10},
              {"noSuchSign", 3, 0, -1}};
  for (const Row& r : rows) {
    graphRecord g = plainGraph(0, 10, 0, 100);
    g.axes[2].referenceValue = r.reference;
    int16_t i = 0;
    addSignItem(i, 3, r.sign, kRed, g.axes[2]);
    const QImage img = drawGraph(g, {});
    const QRect ink = inkOf(img, kRed);
    if (r.row < 0) {
      EXPECT_TRUE(ink.isNull()) << r.name;
    } else {
      EXPECT_EQ(ink, QRect(QPoint(20, r.row), QPoint(179, r.row))) << r.name;
    }
  }
}

// Text width and height as the engine measures them for a font text.
QSizeF measured(const QString& text, const QString& fontSpec) {
  QImage img(200, 100, QImage::Format_RGB32);
  PictureCanvas pic(&img);
  parseFontSpec(fontSpec, pic);
  return {pic.textWidth(text), pic.textHeight(text)};
}

TEST(DrawLayout, labelsBesideTheAxisInTheirColour) {
  graphRecord g = plainGraph(0, 10, 0, 100, 0.2f);  // plot rectangle x 40..159, y 20..79
  g.fontSpec = "Arial, 10";
  int16_t i = 0;
  // The one value 50, printed "50".
  setAxisFormat(i, {.layer = 3, .divisions = 2, .colour = -1}, "0.", g.axes[2]);
  g.axes[2].labels[i].colours = {kRed, kGreen, kBlue};
  const QImage img = drawGraph(g, {});
  const QSizeF size = measured("50", g.fontSpec);
  const QRect ink = inkOf(img, kGreen);
  ASSERT_FALSE(ink.isNull());
  EXPECT_TRUE(inkOf(img, kRed).isNull());
  EXPECT_GE(ink.left(), 40 - 15 - size.width() - 1);
  EXPECT_LE(ink.right(), 40 - 15);
  const double centre = 79 - 0.59 * 50;
  EXPECT_GE(ink.top(), centre - size.height() / 2 - 1);
  EXPECT_LE(ink.bottom(), centre + size.height() / 2 + 1);
}

TEST(DrawLayout, timeLabelsBelowTheAxis) {
  graphRecord g = plainGraph(45000.25, 45000.75, 0, 100);
  int16_t i = 0;
  setAxisFormat(i, {.layer = 3, .start = 45000.5, .step = 0.25, .end = 45000.5, .colour = kBlue}, "hh:nn",
                g.axes[1]);
  const QImage img = drawGraph(g, {}, 200, 300);
  const QSizeF size = measured("12:00", g.fontSpec);
  const QRect ink = inkOf(img, kBlue);
  ASSERT_FALSE(ink.isNull());
  const double plotBottom = 300 - 1 - 30;
  EXPECT_GE(ink.top(), plotBottom + 15);
  EXPECT_NEAR(ink.center().x(), 99.5, size.width() / 2 + 1);
}

TEST(DrawLayout, textsAreCentredAndKeptOnThePicture) {
  graphRecord g = plainGraph(0, 10, 0, 100);
  g.texts.append({.layer = 3, .text = "Middle", .colour = kRed, .posY = 0.5f, .fontSpec = "Arial, 12"});
  g.texts.append({.layer = 3, .text = "Left", .colour = kBlue, .posY = 0.9f, .posX = 0.0f, .fontSpec = ""});
  // No such layer.
  g.texts.append({.layer = 9, .text = "never", .colour = kGreen, .posY = 0.5f, .fontSpec = ""});
  const QImage img = drawGraph(g, {});
  const QSizeF size = measured("Middle", "Arial, 12");
  const QRect middle = inkOf(img, kRed);
  EXPECT_GE(middle.left(), 100 - size.width() / 2 - 1);
  EXPECT_LE(middle.right(), 100 + size.width() / 2 + 1);
  EXPECT_GE(middle.top(), 50 - size.height() / 2 - 1);
  EXPECT_LE(middle.bottom(), 50 + size.height() / 2 + 1);
  EXPECT_LE(inkOf(img, kBlue).left(), 2);
  EXPECT_TRUE(inkOf(img, kGreen).isNull());
}

TEST(DrawLayout, setLoopsEndOnStepsThatCannotAdvance) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  graphRecord g = plainGraph(200000000, 200000004, 200000000, 200000004);
  int16_t i = 0;
  // Vertical sets count in single precision, where these steps vanish.
  addGridLines(i, {.layer = 1, .divisions = 8, .colour = kRed}, 0, g.axes[2]);
  addTickMarks(i = 0, {.layer = 3, .divisions = 8, .colour = kRed}, g.axes[2]);
  setAxisFormat(i = 0, {.layer = 3, .divisions = 8, .colour = kRed}, "", g.axes[2]);
  addGridLines(i = 0, {.layer = 1, .start = 200000000, .step = 1e-9, .end = 200000004, .colour = kBlue}, 0,
               g.axes[1]);
  addTickMarks(i = 0, {.layer = 3, .start = 200000000, .step = nan, .end = 200000004, .colour = kBlue},
               g.axes[1]);
  setAxisFormat(i = 0, {.layer = 3, .start = 200000000, .step = inf, .end = 200000004, .colour = kBlue}, "",
                g.axes[1]);
  // 4e7 steps, capped
  addGridLines(i = 0, {.layer = 1, .start = 200000000, .step = 1e-7, .end = 200000004, .colour = kBlue}, 0,
               g.axes[1]);
  const QImage img = drawGraph(g, {});
  // What could be drawn was: each set whose values stand still drew its first
  // value once (the grid lines at the bottom and left edges), the sets without
  // a usable step drew nothing, and the one of 4e7 steps stayed at the left edge.
  EXPECT_EQ(inkOf(img, kRed, nullptr, QRect(20, 10, 160, 80)), QRect(QPoint(20, 89), QPoint(179, 89)));
  EXPECT_EQ(inkOf(img, kBlue), QRect(QPoint(20, 10), QPoint(20, 88)));
}

}  // namespace
