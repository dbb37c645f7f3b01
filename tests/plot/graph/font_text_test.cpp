#include "plot/graph/font_text.h"

#include <gtest/gtest.h>

#include <QImage>

#include "plot/graph/picture_canvas.h"

namespace {

struct FontRow {
  const char* name;
  QString fontText;
  double heightPt, widthPt;
  QString family;
  double size;
  bool bold, italic, underline;
};

TEST(FontSpec, itemsSizesAndLimits) {
  const FontRow rows[] = {
      {"shareLimitedByLargest", "Arial, 4.5%, 12,u,i,b", 400, 600, "Arial", 12, true, true, true},
      {"smallShareBecomesSmallFonts", "Arial,3%,12", 200, 200, "Small Fonts", 6, false, false, false},
      {"nameOnly", "Arial", 300, 300, "Arial", 8, false, false, false},
      {"emptyNameKeepsFont", ",10", 300, 300, "Keep", 10, false, false, false},
      {"percentAboveOneIsPoints", "Arial, 150%", 300, 300, "Small Fonts", 4, false, false, false},
      {"fractionIsAShare", "Arial, 0.05", 200, 400, "Arial", 10, false, false, false},
      {"percentIsAShare", "Arial, 5%", 200, 400, "Arial", 10, false, false, false},
      {"largestWins", "Arial, 10, 8", 300, 300, "Arial", 8, false, false, false},
      {"thirdNumberReplacesLargest", "Arial, 20, 8, 12", 300, 300, "Arial", 12, false, false, false},
      {"trailingCommaIsBold", "Arial, 9,", 300, 300, "Arial", 9, true, false, false},
      {"flagPrefixesAnyCase", "Arial, 9, UNDER, Ital", 300, 300, "Arial", 9, false, true, true},
      {"unreadableNumberIsZero", "Arial, big", 300, 300, "Small Fonts", 4, false, false, false},
      {"ceiling", "Arial, 5000, 9000", 300, 300, "Arial", 2160, false, false, false},
      {"blanksInNumber", "Arial, 1 2", 300, 300, "Arial", 12, false, false, false},
  };
  for (const FontRow& r : rows) {
    // A picture of the given size in points (96 dpi: 4 pixels are 3 points).
    QImage img(qRound(r.widthPt * 4 / 3), qRound(r.heightPt * 4 / 3), QImage::Format_RGB32);
    PictureCanvas pic(&img);
    pic.setScaleMode(kScalePoints);
    pic.setFontName("Keep");
    pic.setFontBold(true);
    parseFontSpec(r.fontText, pic);
    EXPECT_EQ(pic.fontName(), r.family) << r.name;
    EXPECT_NEAR(pic.fontSize(), r.size, 0.02) << r.name;
    EXPECT_EQ(pic.fontBold(), r.bold) << r.name;
    EXPECT_EQ(pic.fontItalic(), r.italic) << r.name;
    EXPECT_EQ(pic.fontUnderline(), r.underline) << r.name;
  }
}

TEST(FontSpec, emptySpecificationLeavesTheFont) {
  QImage img(50, 50, QImage::Format_RGB32);
  PictureCanvas pic(&img);
  pic.setFontName("Keep");
  pic.setFontSize(11);
  pic.setFontItalic(true);
  parseFontSpec("", pic);
  EXPECT_EQ(pic.fontName(), "Keep");
  EXPECT_EQ(pic.fontSize(), 11);
  EXPECT_TRUE(pic.fontItalic());
}

TEST(FontSpec, shareOfAnEmptyPictureIsTheSmallestSize) {
  QImage img(0, 0, QImage::Format_RGB32);
  PictureCanvas pic(&img);
  parseFontSpec("Arial, 50%", pic);
  EXPECT_EQ(pic.fontSize(), 4);
  EXPECT_EQ(pic.fontName(), "Small Fonts");
}

}  // namespace
