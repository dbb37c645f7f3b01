// Palette tables by hand and the optimal palette's octree.
#include <gtest/gtest.h>

#include "imaging/palette.h"
#include "imaging/palette_tables.h"
#include "support/headless_env.h"

namespace {
QVector<int> greys(const ColourTable& t) {
  QVector<int> out;
  for (const PaletteEntry& e : t) out.append(e.peRed);
  return out;
}
QByteArray bgrRow(std::initializer_list<std::array<uint8_t, 3>> rgb, int padding) {
  QByteArray row;
  for (const auto& c : rgb) row.append(char(c[2])).append(char(c[1])).append(char(c[0]));
  return row + QByteArray(padding, char(0x77));
}
}  // namespace

TEST(PaletteTables, greysHalftoneStandardAndFixed) {
  ColourTable t;
  makeGrayPalette(t, 4);
  EXPECT_EQ(greys(t), (QVector<int>{0, 64, 128, 192}));
  makeGrayPalette(t, 0);
  ASSERT_EQ(t.size(), 256);
  EXPECT_EQ(t[255].peBlue, 255);

  makeHalftonePalette(t);
  EXPECT_EQ(t[1].peBlue, 64);   // blue varies fastest
  EXPECT_EQ(t[5].peGreen, 64);
  EXPECT_EQ(t[124].peRed, 255);
  EXPECT_EQ(t[125].peRed + t[255].peGreen, 0);

  makeStandardPalette(t);
  int whites = 0, blacks = 0;
  for (int i = 0; i < 256; ++i) {
    whites += t[i].peRed == 255 && t[i].peGreen == 255 && t[i].peBlue == 255;
    if (t[i].peRed == 0 && t[i].peGreen == 0 && t[i].peBlue == 0) ++blacks;
  }
  EXPECT_EQ(whites, 1);
  EXPECT_EQ(t[255].peRed + t[255].peGreen + t[255].peBlue, 765);
  EXPECT_EQ(blacks, 2);  // index 0 and 216
  EXPECT_EQ(t[216].peRed + t[216].peGreen + t[216].peBlue, 0);
  EXPECT_EQ(t[8].peBlue, 51);  // the cube starts at (0, 0, 51)
  EXPECT_EQ(t[217].peRed, 8);
  EXPECT_EQ(t[247].peRed, 248);

  EXPECT_EQ(makeFixedPalette(t), 16);
  EXPECT_EQ(t.size(), 16);
  EXPECT_EQ(t[3].peRed, 166);
  EXPECT_EQ(t[15].peGreen, 255);
}

TEST(PaletteClass, kindsCountsHandlesAndIndexes) {
  HeadlessLog log;
  Palette p;
  p.CreateNew(Palette::System);  // no system palette on a true-colour display
  EXPECT_EQ(p.Count(), 256);
  EXPECT_TRUE(log.lines().join('\n').contains("System palette not found!"));
  p.CreateNew(Palette::Gray, 4);
  EXPECT_EQ(p.Count(), 4);
  EXPECT_EQ(p.IndexColor(3), 192 + 256 * 192 + 65536 * 192);
  EXPECT_EQ(p.IndexColor(4), 0);
  uint8_t b = 9, g = 9, r = 9;
  p.GetPaletteColors(4, b, g, r);
  EXPECT_EQ(b + g + r, 27);  // untouched beyond the last entry
  EXPECT_EQ(p.ClosestIndex(100, 100, 100), 2);
  EXPECT_EQ(p.ClosestIndexCol(0x202020), 0);
  Palette copy;
  copy.setPalHandle(p.PalHandle());
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_EQ(copy.IndexColor(1), p.IndexColor(1));
  copy.setCount(2);  // entries cut, their values kept
  EXPECT_EQ(copy.entries().size(), 2);
  EXPECT_EQ(copy.IndexColor(1), p.IndexColor(1));
  const std::pair<Palette::Kind, int32_t> kinds[] = {{Palette::Halftone, 256}, {Palette::Standard, 256},
                                                      {Palette::Fixed, 16}};
  for (const auto& [kind, count] : kinds) {
    p.CreateNew(kind);
    EXPECT_EQ(p.Count(), count) << kind;
  }
  EXPECT_EQ(p.ClosestIndex(250, 250, 250), 15);  // the fixed list's white

  // No system palette on a true-colour display: the table asked for stays black.
  int32_t n = 0;
  ColourTable table;
  getSystemPalette(n, table);
  EXPECT_EQ(n, 256);
  EXPECT_EQ(table.size(), 256);
}

TEST(PaletteClass, optimalPaletteKeepsEveryLeafAndItsLastColour) {
  // Two rows of two pixels with one padding byte: red, green / blue, red.
  const QByteArray pixels = bgrRow({{{250, 0, 0}}, {{0, 250, 0}}}, 2) + bgrRow({{{0, 0, 250}}, {{250, 0, 0}}}, 2);
  Palette p;
  p.CreateOptimal(8, 2, 2, reinterpret_cast<const uint8_t*>(pixels.constData()), 16, 8);
  ASSERT_EQ(p.Count(), 3);
  EXPECT_EQ(p.entries().size(), 16);
  // Leaves in slot order: blue (slot 1), green (2), red (4); the last one is answered too.
  EXPECT_EQ(p.IndexColor(0), 250 << 16);
  EXPECT_EQ(p.IndexColor(1), 250 << 8);
  EXPECT_EQ(p.IndexColor(2), 250);
  EXPECT_EQ(p.ClosestIndexOptimal(0, 0, 250), 2);
  EXPECT_EQ(p.entries()[5].peRed, 0);
  uint8_t b = 0, g = 250, r = 0;
  p.ClosestIndexColors(b, g, r);
  EXPECT_EQ(g, 250);

  // One colour at the most: merged down to the root's children.
  p.CreateOptimal(8, 2, 2, reinterpret_cast<const uint8_t*>(pixels.constData()), 1, 8);
  EXPECT_EQ(p.Count(), 3);
  const QByteArray near = bgrRow({{{200, 10, 10}}, {{210, 20, 10}}, {{220, 10, 30}}}, 3);
  p.CreateOptimal(12, 1, 3, reinterpret_cast<const uint8_t*>(near.constData()), 1, 8);
  ASSERT_EQ(p.Count(), 1);
  EXPECT_EQ(p.IndexColor(0), 210 + 256 * 13 + 65536 * 16);  // truncated averages
}
