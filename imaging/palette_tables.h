#pragma once
// Builders of colour tables: greys, the halftone cube, the standard palette
// (static colours, a 6 x 6 x 6 cube, greys) and a fixed 16-colour list.
// Entries a builder does not write stay black.

#include <cstdint>

#include "imaging/gdi_palette.h"

void makeGrayPalette(ColourTable& table, int32_t n);  // n = 0 means 256
void makeHalftonePalette(ColourTable& table);
void makeStandardPalette(ColourTable& table);
int32_t makeFixedPalette(ColourTable& table);  // returns 16
void setStaticColorsLow(ColourTable& table, int32_t start);
void setStaticColorsHigh(ColourTable& table, int32_t start);
// Writes entry index when the table has it and moves index on.
void setPaletteColor(ColourTable& table, int32_t& index, int red, int green, int blue);
