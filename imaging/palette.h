#pragma once
// Palette: one colour table with its palette handle. It is filled by kind
// (system, halftone, standard, grey, fixed) or as the optimal palette of a
// true-colour picture, built with an octree, and answers nearest-colour queries.

#include <QVector>
#include <array>
#include <cstdint>

#include "imaging/gdi_palette.h"

class Palette {
 public:
  enum Kind { System = 0, Halftone = 1, Standard = 2, Gray = 3, Fixed = 5 };

  Palette();
  ~Palette();
  Palette(const Palette&) = delete;
  Palette& operator=(const Palette&) = delete;

  int32_t Count() const { return m_count; }
  void setCount(int32_t n);
  int32_t PalHandle();
  void setPalHandle(int32_t handle);
  int32_t IndexColor(int32_t i) const;  // &HBBGGRR, 0 beyond the last entry
  void GetPaletteColors(int32_t i, uint8_t& blue, uint8_t& green, uint8_t& red) const;
  void CreateNew(int32_t kind, int32_t n = 0);
  int32_t ClosestIndex(int red, int green, int blue);
  int32_t ClosestIndexCol(int32_t colour);
  int32_t ClosestIndexOptimal(uint8_t blue, uint8_t green, uint8_t red) const;
  void ClosestIndexColors(uint8_t& blue, uint8_t& green, uint8_t& red) const;
  // Pixels as 24-bit rows (blue, green, red), `padding` bytes at the end of each row.
  void CreateOptimal(int32_t rowBytes, int32_t rows, int32_t padding, const uint8_t* pixels, int32_t maxColours,
                     int32_t depth);
  void Reset();

  const ColourTable& entries() const { return m_entries; }

 private:
  struct Node {
    bool leaf = false, listed = false;
    int32_t count = 0;
    int64_t sum[3] = {0, 0, 0};  // blue, green, red
    std::array<int32_t, 8> child{};
    int32_t next = 0;
    int32_t paletteIndex = 0;
  };
  static constexpr int32_t kRoot = 1;

  void createPaletteHandle();
  void octreeAddColor(int32_t node, int32_t level, int32_t depth, int32_t& leaves, uint8_t blue, uint8_t green,
                      uint8_t red);
  bool octreeReduce(int32_t& leaves, int32_t level);
  int32_t octreeAllocNode();
  void octreeInitNode(int32_t node);
  void octreeFillPalette(int32_t node, int32_t& index);
  int32_t leafFor(uint8_t blue, uint8_t green, uint8_t red) const;  // 0 when the walk finds none
  static int slotOf(uint8_t blue, uint8_t green, uint8_t red, int level);

  int32_t m_count = 0;
  ColourTable m_entries;
  int32_t m_handle = 0;
  QVector<Node> m_nodes;
  int32_t m_nodesUsed = 1;
  int32_t m_freeList = 0;
  std::array<int32_t, 8> m_reducible{};
};
