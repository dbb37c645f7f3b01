#include "imaging/palette_tables.h"

namespace {
struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kStaticLow[] = {{0, 0, 128},   {0, 128, 0},   {0, 128, 128},  {128, 0, 0},
                              {128, 0, 128}, {128, 128, 0}, {192, 192, 192}};
constexpr Rgb kStaticHigh[] = {{128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                               {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
constexpr Rgb kFixed[] = {{255, 0, 0},     {0, 255, 0},     {0, 0, 255},     {166, 202, 240},
                          {208, 216, 246}, {238, 170, 204}, {0, 0, 0},       {95, 95, 95},
                          {111, 111, 111}, {143, 143, 143}, {175, 175, 175}, {192, 192, 192},
                          {208, 208, 208}, {223, 223, 223}, {239, 239, 239}, {255, 255, 255}};

template <size_t N>
void setColours(ColourTable& table, int32_t start, const Rgb (&colours)[N]) {
  for (const Rgb& c : colours) setPaletteColor(table, start, c.r, c.g, c.b);
}

void resizeTo(ColourTable& table, int32_t n) { table = ColourTable(n); }
}  // namespace

void setPaletteColor(ColourTable& table, int32_t& index, int red, int green, int blue) {
  if (index < 0 || index >= table.size()) return;
  table[index] = PaletteEntry{uint8_t(red), uint8_t(green), uint8_t(blue), 0};
  ++index;
}

void makeGrayPalette(ColourTable& table, int32_t n) {
  if (n <= 0) n = 256;
  resizeTo(table, n);
  const int step = 256 / n;
  for (int32_t i = 0, k = 0; k < n; ++k) {
    const int level = k * step;
    setPaletteColor(table, i, level, level, level);
  }
}

void makeHalftonePalette(ColourTable& table) {
  resizeTo(table, 256);
  static constexpr int kLevels[] = {0, 64, 128, 192, 255};
  int32_t i = 0;
  for (const int r : kLevels)
    for (const int g : kLevels)
      for (const int b : kLevels) setPaletteColor(table, i, r, g, b);
}

void setStaticColorsLow(ColourTable& table, int32_t start) { setColours(table, start, kStaticLow); }
void setStaticColorsHigh(ColourTable& table, int32_t start) { setColours(table, start, kStaticHigh); }

void makeStandardPalette(ColourTable& table) {
  resizeTo(table, 256);
  setStaticColorsLow(table, 1);
  int32_t i = 8;
  for (int r = 0; r <= 255; r += 51)
    for (int g = 0; g <= 255; g += 51)
      for (int b = 0; b <= 255; b += 51) {
        const bool corner = (r == 0 || r == 255) && (g == 0 || g == 255) && (b == 0 || b == 255);
        if (!corner) setPaletteColor(table, i, r, g, b);  // the static colours hold the corners
      }
  i = 217;
  for (int level = 8; level <= 248; level += 8) setPaletteColor(table, i, level, level, level);
  setStaticColorsHigh(table, 248);
}

int32_t makeFixedPalette(ColourTable& table) {
  resizeTo(table, 16);
  setColours(table, 0, kFixed);
  return 16;
}
