#pragma once
// Palette handles and the palette calls the palette classes need. A true-colour
// display has no system palette, so its size is 0 here.

#include <QVector>
#include <cstdint>

// A colour entry in palette order: red, green, blue, flags.
struct PaletteEntry {
  uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};
using ColourTable = QVector<PaletteEntry>;

int32_t GetSystemPaletteEntries(int32_t start, int32_t count, PaletteEntry* entries);
int32_t CreatePalette(const ColourTable& entries);  // a new handle, 0 when there are no entries
bool DeletePaletteObject(int32_t handle);
// Copies up to count entries from start; with entries nullptr it answers the palette's size.
int32_t GetPaletteEntries(int32_t handle, int32_t start, int32_t count, PaletteEntry* entries);
// The entry nearest to the colour (&HBBGGRR), by squared distance; the first of equals.
int32_t GetNearestPaletteIndex(int32_t handle, int32_t colour);
int32_t livePaletteHandles();

int32_t getSystemPaletteSize();
void getSystemPalette(int32_t& n, ColourTable& table);
void getPaletteEntriesArray(int32_t handle, int32_t& count, ColourTable& table);
