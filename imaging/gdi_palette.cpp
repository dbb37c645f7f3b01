#include "imaging/gdi_palette.h"

#include <QHash>
#include <QMutex>

namespace {
// Palette handles live until DeletePaletteObject; any thread may hold some.
QMutex g_palettesLock;
QHash<int32_t, ColourTable> g_palettes;
int32_t g_nextPalette = 1;
}  // namespace

int32_t GetSystemPaletteEntries(int32_t, int32_t, PaletteEntry*) { return 0; }

int32_t CreatePalette(const ColourTable& entries) {
  if (entries.isEmpty()) return 0;
  const QMutexLocker lock(&g_palettesLock);
  int32_t handle;
  do {  // handles start again at 1 after 2^31 palettes; a live one is skipped
    handle = g_nextPalette;
    g_nextPalette = g_nextPalette == INT32_MAX ? 1 : g_nextPalette + 1;
  } while (g_palettes.contains(handle));
  g_palettes.insert(handle, entries);
  return handle;
}

bool DeletePaletteObject(int32_t handle) {
  const QMutexLocker lock(&g_palettesLock);
  return g_palettes.remove(handle);
}

int32_t GetPaletteEntries(int32_t handle, int32_t start, int32_t count, PaletteEntry* entries) {
  const QMutexLocker lock(&g_palettesLock);
  const auto it = g_palettes.constFind(handle);
  if (it == g_palettes.constEnd()) return 0;
  if (!entries) return int32_t(it->size());
  int32_t n = 0;
  for (int32_t i = start; i < it->size() && n < count; ++i) entries[n++] = it->at(i);
  return n;
}

int32_t GetNearestPaletteIndex(int32_t handle, int32_t colour) {
  const QMutexLocker lock(&g_palettesLock);
  const auto it = g_palettes.constFind(handle);
  if (it == g_palettes.constEnd()) return -1;
  const int r = colour & 255, g = (colour >> 8) & 255, b = (colour >> 16) & 255;
  int32_t best = 0;
  int bestDistance = 1 << 30;
  for (int32_t i = 0; i < it->size(); ++i) {
    const PaletteEntry& e = it->at(i);
    const int d = (e.peRed - r) * (e.peRed - r) + (e.peGreen - g) * (e.peGreen - g) + (e.peBlue - b) * (e.peBlue - b);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

int32_t livePaletteHandles() {
  const QMutexLocker lock(&g_palettesLock);
  return int32_t(g_palettes.size());
}

int32_t getSystemPaletteSize() { return GetSystemPaletteEntries(0, 0, nullptr); }

void getSystemPalette(int32_t& n, ColourTable& table) {
  if (n == 0) n = 256;
  table = ColourTable(n);
  GetSystemPaletteEntries(0, n, table.data());
}

void getPaletteEntriesArray(int32_t handle, int32_t& count, ColourTable& table) {
  const int32_t n = GetPaletteEntries(handle, 0, 0, nullptr);
  if (n <= 0) return;
  count = n;
  table = ColourTable(n);
  GetPaletteEntries(handle, 0, n, table.data());
}
