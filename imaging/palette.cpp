#include "imaging/palette.h"

#include "imaging/palette_tables.h"
#include "platform/user_notice.h"

Palette::Palette() : m_entries(1) {}

Palette::~Palette() {
  if (m_handle != 0) DeletePaletteObject(m_handle);
}

void Palette::setCount(int32_t n) {
  m_count = n;
  m_entries.resize(std::max(n, 0));
}

int32_t Palette::PalHandle() {
  if (m_handle == 0) createPaletteHandle();
  return m_handle;
}

void Palette::setPalHandle(int32_t handle) {
  m_handle = handle;
  getPaletteEntriesArray(handle, m_count, m_entries);
}

int32_t Palette::IndexColor(int32_t i) const {
  if (i < 0 || i > m_count - 1 || i >= m_entries.size()) return 0;
  const PaletteEntry& e = m_entries[i];
  return e.peRed + 256 * e.peGreen + 65536 * e.peBlue;
}

void Palette::GetPaletteColors(int32_t i, uint8_t& blue, uint8_t& green, uint8_t& red) const {
  if (i < 0 || i > m_count - 1 || i >= m_entries.size()) return;
  blue = m_entries[i].peBlue;
  green = m_entries[i].peGreen;
  red = m_entries[i].peRed;
}

void Palette::createPaletteHandle() {
  const int32_t old = m_handle;
  m_handle = CreatePalette(m_entries.mid(0, std::clamp(m_count, 0, int32_t(m_entries.size()))));
  if (old != 0) DeletePaletteObject(old);
}

void Palette::CreateNew(int32_t kind, int32_t n) {
  switch (kind) {
    case System:
      setCount(getSystemPaletteSize());
      if (m_count == 0) {
        userNotice(QStringLiteral("System palette not found!\r\nCreating Halftone palette instead."),
                   MsgIcon::Warning, QStringLiteral("Palette error"));
        setCount(256);
        makeHalftonePalette(m_entries);
      } else {
        getSystemPalette(m_count, m_entries);
      }
      break;
    case Halftone:
      setCount(256);
      makeHalftonePalette(m_entries);
      break;
    case Standard:
      setCount(256);
      makeStandardPalette(m_entries);
      break;
    case Gray:
      setCount(n == 0 ? 256 : n);
      makeGrayPalette(m_entries, m_count);
      break;
    case Fixed: setCount(makeFixedPalette(m_entries)); break;
    default: break;
  }
  createPaletteHandle();
}

int32_t Palette::ClosestIndex(int red, int green, int blue) {
  return GetNearestPaletteIndex(PalHandle(), (red & 255) | (green & 255) << 8 | (blue & 255) << 16);
}

int32_t Palette::ClosestIndexCol(int32_t colour) { return GetNearestPaletteIndex(PalHandle(), colour); }

void Palette::Reset() {
  m_reducible.fill(0);
  m_nodes = QVector<Node>(1025);
  m_freeList = 0;
  m_count = 0;
  m_nodesUsed = 1;
}

int Palette::slotOf(uint8_t blue, uint8_t green, uint8_t red, int level) {
  const int mask = 128 >> level;
  return ((red & mask) ? 4 : 0) + ((green & mask) ? 2 : 0) + ((blue & mask) ? 1 : 0);
}

int32_t Palette::octreeAllocNode() {
  ++m_nodesUsed;
  if (m_freeList != 0) {
    const int32_t node = m_freeList;
    m_freeList = m_nodes[node].next;
    m_nodes[node].child.fill(0);
    return node;
  }
  const int32_t node = m_nodesUsed;
  if (node % 1024 == 0) m_nodes.resize(m_nodes.size() + 1024);
  return node;
}

void Palette::octreeInitNode(int32_t node) {
  m_nodes[node].next = m_freeList;
  m_freeList = node;
  m_nodes[node].leaf = false;
  m_nodes[node].listed = false;
  --m_nodesUsed;
}

void Palette::octreeAddColor(int32_t node, int32_t level, int32_t depth, int32_t& leaves, uint8_t blue,
                             uint8_t green, uint8_t red) {
  const int slot = slotOf(blue, green, red, level - 1);
  int32_t child = m_nodes[node].child[size_t(slot)];
  if (child == 0) {
    child = octreeAllocNode();  // may grow the pool: index the nodes afresh after it
    m_nodes[node].child[size_t(slot)] = child;
    ++m_nodes[node].count;
    Node& c = m_nodes[child];
    c.leaf = level == depth;
    c.count = 0;
    c.sum[0] = c.sum[1] = c.sum[2] = 0;
    c.next = 0;
  }
  Node& c = m_nodes[child];
  if (c.leaf) {
    if (c.count == 0) ++leaves;
    ++c.count;
    c.sum[0] += blue;
    c.sum[1] += green;
    c.sum[2] += red;
    return;
  }
  if (!c.listed) {
    c.next = m_reducible[size_t(level - 1)];
    m_reducible[size_t(level - 1)] = child;
    c.listed = true;
  }
  octreeAddColor(child, level + 1, depth, leaves, blue, green, red);
}

bool Palette::octreeReduce(int32_t& leaves, int32_t level) {
  int list = std::min(level - 1, 7);
  while (list >= 0 && m_reducible[size_t(list)] == 0) --list;
  if (list < 0) return false;
  const int32_t node = m_reducible[size_t(list)];
  m_reducible[size_t(list)] = m_nodes[node].next;
  int32_t count = 0, merged = 0;
  int64_t sum[3] = {0, 0, 0};
  for (int32_t& slot : m_nodes[node].child) {
    if (slot == 0) continue;
    const Node& c = m_nodes[slot];
    count += c.count;
    for (int k = 0; k < 3; ++k) sum[k] += c.sum[k];
    octreeInitNode(slot);
    slot = 0;
    ++merged;
  }
  leaves -= merged - 1;
  Node& n = m_nodes[node];
  n.leaf = true;
  n.count = count;
  for (int k = 0; k < 3; ++k) n.sum[k] = sum[k];
  return true;
}

void Palette::octreeFillPalette(int32_t node, int32_t& index) {
  const Node& n = m_nodes[node];
  if (n.leaf) {
    if (index < m_entries.size() && n.count > 0)
      m_entries[index] = PaletteEntry{uint8_t(n.sum[2] / n.count), uint8_t(n.sum[1] / n.count),
                                      uint8_t(n.sum[0] / n.count), 0};
    m_nodes[node].paletteIndex = index++;
    return;
  }
  for (const int32_t child : n.child)
    if (child != 0) octreeFillPalette(child, index);
}

void Palette::CreateOptimal(int32_t rowBytes, int32_t rows, int32_t padding, const uint8_t* pixels,
                            int32_t maxColours, int32_t depth) {
  Reset();
  depth = std::clamp(depth, 1, 8);
  maxColours = std::min(maxColours, 256);  // the table has 256 entries at the most
  int32_t leaves = 0;
  const int32_t pixelsPerRow = (rowBytes - padding) / 3;
  for (int32_t row = rows - 1; row >= 0 && pixels; --row) {
    const uint8_t* line = pixels + qsizetype(row) * rowBytes;
    for (int32_t x = pixelsPerRow - 1; x >= 0; --x) {
      octreeAddColor(kRoot, 1, depth, leaves, line[3 * x], line[3 * x + 1], line[3 * x + 2]);
      while (leaves > maxColours)
        if (!octreeReduce(leaves, depth)) break;
    }
  }
  m_entries = ColourTable(leaves <= 16 ? 16 : std::max(256, leaves));
  int32_t index = m_count;
  octreeFillPalette(kRoot, index);
  m_count = index;  // every leaf written is part of the palette, the last one too
  createPaletteHandle();
}

int32_t Palette::leafFor(uint8_t blue, uint8_t green, uint8_t red) const {
  if (m_nodes.size() <= kRoot) return 0;
  int32_t node = kRoot;
  int scan = 0;
  for (int level = 0; level <= 7; ++level) {
    const Node& n = m_nodes[node];
    int32_t child = n.child[size_t(slotOf(blue, green, red, level))];
    if (child == 0) {
      while (scan < 8 && n.child[size_t(scan)] == 0) ++scan;
      if (scan == 8) return 0;
      child = n.child[size_t(scan)];
    }
    if (m_nodes[child].leaf) return child;
    node = child;
  }
  return 0;
}

int32_t Palette::ClosestIndexOptimal(uint8_t blue, uint8_t green, uint8_t red) const {
  const int32_t leaf = leafFor(blue, green, red);
  return leaf == 0 ? 0 : m_nodes[leaf].paletteIndex;
}

void Palette::ClosestIndexColors(uint8_t& blue, uint8_t& green, uint8_t& red) const {
  const int32_t leaf = leafFor(blue, green, red);
  if (leaf == 0) return;
  const int32_t i = m_nodes[leaf].paletteIndex;
  if (i < 0 || i >= m_entries.size()) return;
  blue = m_entries[i].peBlue;
  green = m_entries[i].peGreen;
  red = m_entries[i].peRed;
}
