// Palette tables by hand and the optimal palette's octree.
#include "imaging/palette.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/palette_tables.h"
#include "support/headless_env.h"

namespace {
// Entries from `from` on as 0xRRGGBB.
QVector<int> rgbs(const ColourTable& t, int from = 0) {
  QVector<int> out;
  for (int i = from; i < t.size(); ++i) out.append(t[i].peRed << 16 | t[i].peGreen << 8 | t[i].peBlue);
  return out;
}

// 24-bit rows (blue, green, red) of 0xRRGGBB colours, each followed by `padding` bytes.
QByteArray bgrRows(std::initializer_list<std::initializer_list<int>> rows, int padding) {
  QByteArray out;
  for (const auto& row : rows) {
    for (const int c : row) out.append(char(c & 255)).append(char(c >> 8 & 255)).append(char(c >> 16));
    out += QByteArray(padding, char(0x77));
  }
  return out;
}
}  // namespace

TEST(PaletteTables, greysHalftoneStandardAndFixed) {
  ColourTable t;
  makeGrayPalette(t, 4);
  EXPECT_EQ(rgbs(t), (QVector<int>{0, 0x404040, 0x808080, 0xC0C0C0}));
  makeGrayPalette(t, 0);
  ASSERT_EQ(t.size(), 256);
  EXPECT_EQ(rgbs(t, 255), QVector<int>{0xFFFFFF});

  makeHalftonePalette(t);  // blue varies fastest; black after the 125 colours
  EXPECT_EQ(rgbs(t).mid(0, 6), (QVector<int>{0, 0x40, 0x80, 0xC0, 0xFF, 0x4000}));
  EXPECT_EQ(rgbs(t, 124), QVector<int>{0xFFFFFF} + QVector<int>(131));

  makeStandardPalette(t);
  const QVector<int> standard = rgbs(t);
  EXPECT_EQ(standard.indexOf(0xFFFFFF), 255);  // white only at the end
  EXPECT_EQ(standard.count(0), 2);             // black at 0 and 216
  EXPECT_EQ(standard.indexOf(0, 1), 216);
  EXPECT_EQ(standard[8], 0x33);  // the cube starts at (0, 0, 51)
  EXPECT_EQ(standard[217], 0x080808);
  EXPECT_EQ(standard[247], 0xF8F8F8);

  EXPECT_EQ(makeFixedPalette(t), 16);
  ASSERT_EQ(t.size(), 16);
  EXPECT_EQ(rgbs(t, 3).mid(0, 2), (QVector<int>{0xA6CAF0, 0xD0D8F6}));
  EXPECT_EQ(rgbs(t, 15), QVector<int>{0xFFFFFF});
}

TEST(PaletteClass, kindsCountsHandlesAndIndexes) {
  HeadlessLog log;
  Palette p;
  p.CreateNew(Palette::System);  // no system palette on a true-colour display
  EXPECT_EQ(p.Count(), 256);
  EXPECT_TRUE(log.lines().join('\n').contains("System palette not found!"));
  int32_t n = 0;
  ColourTable table;
  getSystemPalette(n, table);  // asked for anyway: 256 entries that stay black
  EXPECT_EQ(rgbs(table), QVector<int>(256));

  p.CreateNew(Palette::Gray, 4);
  EXPECT_EQ(p.IndexColor(3), 0xC0C0C0);
  EXPECT_EQ(p.IndexColor(4), 0);
  uint8_t b = 9, g = 9, r = 9;
  p.GetPaletteColors(4, b, g, r);
  EXPECT_EQ(b + g + r, 27);  // untouched beyond the last entry
  EXPECT_EQ(p.ClosestIndex(100, 100, 100), 2);
  EXPECT_EQ(p.ClosestIndexCol(0x202020), 0);
  Palette copy;
  copy.setPalHandle(p.PalHandle());
  EXPECT_EQ(copy.Count(), 4);
  copy.setCount(2);  // entries cut, their values kept
  EXPECT_EQ(rgbs(copy.entries()), (QVector<int>{0, 0x404040}));
  p.CreateNew(Palette::Fixed);
  EXPECT_EQ(p.Count(), 16);
  EXPECT_EQ(p.ClosestIndex(250, 250, 250), 15);  // the fixed list's white
}

TEST(PaletteClass, optimalPaletteKeepsEveryLeafAndItsLastColour) {
  // Two rows of two pixels with two padding bytes: red, green / blue, red.
  const QByteArray pixels = bgrRows({{0xFA0000, 0x00FA00}, {0x0000FA, 0xFA0000}}, 2);
  const auto* bytes = reinterpret_cast<const uint8_t*>(pixels.constData());
  Palette p;
  p.CreateOptimal(8, 2, 2, bytes, 16, 8);
  ASSERT_EQ(p.Count(), 3);
  // Leaves in slot order: blue (slot 1), green (2), red (4), the last one answered too; the rest black.
  EXPECT_EQ(rgbs(p.entries()), (QVector<int>{0x0000FA, 0x00FA00, 0xFA0000} + QVector<int>(13)));
  EXPECT_EQ(p.IndexColor(2), 250);
  EXPECT_EQ(p.ClosestIndexOptimal(0, 0, 250), 2);
  uint8_t b = 0, g = 250, r = 0;
  p.ClosestIndexColors(b, g, r);
  EXPECT_EQ(g, 250);

  // One colour at the most: merged down to the root's children.
  p.CreateOptimal(8, 2, 2, bytes, 1, 8);
  EXPECT_EQ(p.Count(), 3);
  const QByteArray near = bgrRows({{0xC80A0A, 0xD2140A, 0xDC0A1E}}, 3);
  p.CreateOptimal(12, 1, 3, reinterpret_cast<const uint8_t*>(near.constData()), 1, 8);
  ASSERT_EQ(p.Count(), 1);
  EXPECT_EQ(p.IndexColor(0), 210 + 256 * 13 + 65536 * 16);  // truncated averages
}
