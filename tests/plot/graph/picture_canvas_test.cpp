#include "plot/graph/picture_canvas.h"

#include <gtest/gtest.h>

#include <QImage>

#include "platform/colour.h"
#include "platform/named_colours.h"

namespace {

QImage whiteImage(int w = 40, int h = 30) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

int32_t at(const QImage& img, int x, int y) { return qColorToColour(img.pixelColor(x, y)); }

// Pixels of one colour, as a bounding rectangle and a count.
QRect extent(const QImage& img, int32_t colour, int* count = nullptr) {
  QRect r;
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (at(img, x, y) == colour) {
        r |= QRect(x, y, 1, 1);
        ++n;
      }
  if (count) *count = n;
  return r;
}

TEST(PictureCanvas, boxesCoverBothCornerPoints) {
  QImage img = whiteImage();
  {
    PictureCanvas pic(&img);
    pic.filledBox({12, 8}, {3, 2}, kRed);  // corners in either order
    pic.setForeColor(kBlue);
    pic.box({20, 10}, {25, 14});
  }
  int n = 0;
  EXPECT_EQ(extent(img, kRed, &n), QRect(QPoint(3, 2), QPoint(12, 8)));
  EXPECT_EQ(n, 10 * 7);
  EXPECT_EQ(extent(img, kBlue, &n), QRect(QPoint(20, 10), QPoint(25, 14)));
  EXPECT_EQ(n, 2 * 6 + 2 * 3);  // outline only
}

TEST(PictureCanvas, everyLineFormMovesThePen) {
  QImage img = whiteImage();
  PictureCanvas pic(&img);
  pic.setForeColor(kRed);
  pic.setCurrentX(2);
  pic.setCurrentY(5);
  pic.lineTo({10, 5});
  EXPECT_EQ(pic.currentX(), 10);
  pic.lineTo({10, 12});
  pic.filledBox({0, 0}, {1, 1}, kBlue);  // paints the pending segments too
  EXPECT_EQ(pic.currentX(), 1);
  EXPECT_EQ(pic.currentY(), 1);
  EXPECT_EQ(at(img, 2, 5), kRed);
  EXPECT_EQ(at(img, 6, 5), kRed);
  EXPECT_EQ(at(img, 10, 9), kRed);
  EXPECT_EQ(at(img, 11, 9), kWhite);
}

TEST(PictureCanvas, wideLinesAndNoAntialiasing) {
  QImage img = whiteImage();
  {
    PictureCanvas pic(&img);
    pic.setForeColor(kRed);
    ASSERT_TRUE(pic.setDrawWidth(3));
    pic.line({5, 15}, {35, 15});
  }
  int n = 0;
  const QRect r = extent(img, kRed, &n);
  EXPECT_EQ(r.height(), 3);
  // Only the two colours: no blended edge pixels.
  int white = 0;
  extent(img, kWhite, &white);
  EXPECT_EQ(n + white, img.width() * img.height());
}

TEST(PictureCanvas, refusesWhatThePictureBoxRefused) {
  QImage img = whiteImage();
  PictureCanvas pic(&img);
  EXPECT_FALSE(pic.setDrawWidth(0));
  EXPECT_EQ(pic.drawWidth(), 1);
  EXPECT_FALSE(pic.setFillStyle(8));
  EXPECT_FALSE(pic.setDrawStyle(-1));
  EXPECT_FALSE(pic.setDrawMode(0));
  EXPECT_FALSE(pic.filledBox({0, 0}, {std::numeric_limits<double>::quiet_NaN(), 5}, kRed));
  EXPECT_FALSE(pic.line({0, 0}, {5e12, 5}));
  EXPECT_EQ(extent(img, kRed), QRect());
}

TEST(PictureCanvas, farPointsAreClippedNotDashedForever) {
  QImage img = whiteImage();
  {
    PictureCanvas pic(&img);
    pic.setForeColor(kRed);
    pic.setDrawStyle(kDrawStyleDot);
    EXPECT_TRUE(pic.line({-5e8, 10}, {5e8, 10}));
  }
  const QRect r = extent(img, kRed);
  EXPECT_LE(r.left(), 2);
  EXPECT_GE(r.right(), img.width() - 3);
}

TEST(PictureCanvas, scaleModesConvertLengths) {
  QImage img = whiteImage(96, 48);  // 96 dpi: one inch by half an inch
  PictureCanvas pic(&img);
  EXPECT_EQ(pic.scaleMode(), kScalePixels);
  EXPECT_DOUBLE_EQ(pic.scaleWidth(), 96);
  EXPECT_DOUBLE_EQ(pic.scaleX(1, kScalePixels, kScaleTwips), 15);
  EXPECT_DOUBLE_EQ(pic.scaleY(1, kScalePixels, kScalePoints), 0.75);
  ASSERT_TRUE(pic.setScaleMode(kScaleTwips));
  EXPECT_DOUBLE_EQ(pic.scaleWidth(), 1440);
  EXPECT_DOUBLE_EQ(pic.scaleHeight(), 720);
  ASSERT_TRUE(pic.setScaleMode(kScalePoints));
  EXPECT_DOUBLE_EQ(pic.scaleHeight(), 36);
  EXPECT_DOUBLE_EQ(pic.scaleX(1, kScalePixels, pic.scaleMode()), 0.75);
  // Twips land on the pixels they name.
  pic.setScaleMode(kScaleTwips);
  pic.filledBox({150, 150}, {150, 150}, kRed);
  EXPECT_EQ(at(img, 10, 10), kRed);
  ASSERT_TRUE(pic.setUserScale(0, 100, 10, -100));  // y grows upward
  EXPECT_DOUBLE_EQ(pic.scaleY(1, kScalePixels, kScaleUser), -100.0 / 48);
  pic.filledBox({5, 0}, {5, 0}, kBlue);
  EXPECT_EQ(at(img, 48, 47), kWhite);  // bottom edge lies at 48, just outside
  EXPECT_EQ(at(img, 48, 48 - 1), kWhite);
}

TEST(PictureCanvas, circleIsOutlinedAndFilledAsAsked) {
  QImage img = whiteImage();
  {
    PictureCanvas pic(&img);
    pic.setForeColor(kBlue);
    pic.setFillColor(kRed);
    pic.setFillStyle(kFillSolid);
    pic.circle({20, 15}, 5);
    pic.setFillStyle(kFillTransparent);
    pic.circle({5, 5}, 3);
  }
  EXPECT_EQ(at(img, 20, 15), kRed);
  EXPECT_EQ(at(img, 25, 15), kBlue);
  EXPECT_EQ(at(img, 20, 10), kBlue);
  EXPECT_EQ(at(img, 26, 15), kWhite);
  EXPECT_EQ(at(img, 5, 5), kWhite);  // transparent fill
  EXPECT_EQ(at(img, 8, 5), kBlue);
}

TEST(PictureCanvas, textIsMeasuredLineByLine) {
  QImage img = whiteImage(200, 100);
  PictureCanvas pic(&img);
  pic.setFontName("Arial");
  pic.setFontSize(10);
  const double h = pic.textHeight("Xg");
  EXPECT_GT(h, 10);
  EXPECT_LT(h, 20);
  EXPECT_DOUBLE_EQ(pic.textHeight("a\r\nb\r\nc"), 3 * h);
  EXPECT_DOUBLE_EQ(pic.textWidth("wide line\r\nab"), pic.textWidth("wide line"));
  EXPECT_GT(pic.textWidth("wide line"), pic.textWidth("ab"));
  EXPECT_EQ(pic.textWidth(""), 0);
  pic.setFontBold(true);
  EXPECT_GE(pic.textWidth("wide line"), pic.textWidth("wide line") - 0.001);

  pic.setCurrentX(30);
  pic.setCurrentY(20);
  pic.setForeColor(kRed);
  pic.print("Hi");
  EXPECT_EQ(pic.currentX(), 0);
  EXPECT_DOUBLE_EQ(pic.currentY(), 20 + h);
  const QRect ink = extent(img, kRed);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 30);
  EXPECT_GE(ink.top(), 20);
  EXPECT_LE(ink.bottom(), 20 + h);
  EXPECT_LE(ink.right(), 30 + pic.textWidth("Hi") + 1);
  // Text without antialiasing: only ink and background, so a GIF palette stays exact.
  int red = 0, white = 0;
  extent(img, kRed, &red);
  extent(img, kWhite, &white);
  EXPECT_EQ(red + white, img.width() * img.height());
}

TEST(PictureCanvas, clearFillsWithBackColor) {
  QImage img = whiteImage();
  PictureCanvas pic(&img);
  pic.setBackColor(kBlue);
  pic.setCurrentX(7);
  pic.clear();
  EXPECT_EQ(extent(img, kBlue), img.rect());
  EXPECT_EQ(pic.currentX(), 0);
}

}  // namespace
