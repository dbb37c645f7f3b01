#include "imaging/lzw_encoder.h"

#include <algorithm>

#include "imaging/gif_output.h"

int32_t dibRowBytes(int32_t bits, int32_t width) {
  int32_t bytes;
  switch (bits) {
    case 16: bytes = width * 2; break;
    case 24: bytes = width * 3; break;
    case 32: bytes = width * 4; break;
    case 1: bytes = (width + 7) / 8; break;
    case 4: bytes = (width + 1) / 2; break;
    default: bytes = width; break;
  }
  return (bytes + 3) & ~3;
}

int32_t gifRowOffset(int32_t n, int32_t width, int32_t height) {
  int32_t y = n / width;
  const int32_t x = n % width;
  // Passes: rows 0, 8, 16 ...; 4, 12 ...; 2, 6, 10 ...; 1, 3, 5 ...
  const int32_t pass1 = (height + 7) / 8, pass2 = (height + 3) / 8, pass3 = (height + 1) / 4;
  int32_t row;
  if (y < pass1) {
    row = 8 * y;
  } else if ((y -= pass1) < pass2) {
    row = 4 + 8 * y;
  } else if ((y -= pass2) < pass3) {
    row = 2 + 4 * y;
  } else {
    row = 1 + 2 * (y - pass3);
  }
  return row * ((width + 3) & ~3) + x;
}

void GifLzw::gifInitState() {
  m_bits = 0;
  m_bitCount = 0;
  m_blockLen = 0;
  m_block.fill(0);
  m_bytesWritten = 0;
}

void GifLzw::emitBlock() {
  m_block[0] = uint8_t(m_blockLen);
  m_out.putBytes(m_block.data(), m_blockLen + 1);
  m_bytesWritten += m_blockLen + 1;
  m_blockLen = 0;
}

// Inline: the encoder's loop sends a code for about every pixel of a busy picture.
inline void GifLzw::putCode(uint32_t code, int32_t width) {
  m_bits |= uint64_t(code & ((1u << width) - 1)) << m_bitCount;
  m_bitCount += width;
  while (m_bitCount >= 8) {
    m_block[1 + m_blockLen++] = uint8_t(m_bits);
    m_bits = shiftRight(m_bits, 8);
    m_bitCount -= 8;
    if (m_blockLen == 255) emitBlock();
  }
}

void GifLzw::gifPutCode(uint32_t code, int32_t width) { putCode(code, width); }

void GifLzw::gifFlushCode() {
  if (m_bitCount > 0) {
    m_block[1 + m_blockLen++] = uint8_t(m_bits);
    m_bits = 0;
    m_bitCount = 0;
  }
  if (m_blockLen > 0) emitBlock();
}

void GifLzw::lzwResetTables() {
  m_hash.fill(kHashEmpty);
  m_hint.fill(kHashEmpty);
}

// Only the single pixels' hints go here: every other code's hint is emptied
// when the code is given out again.
void GifLzw::lzwFreeTables() {
  m_hash.fill(kHashEmpty);
  std::fill_n(m_hint.begin(), m_clearCode, kHashEmpty);
}

namespace {
constexpr uint32_t hashSlot(uint32_t key, int bits) { return (key * 0x9E3779B1u) >> (32 - bits); }
}  // namespace

// The code of the string `code` followed by `value`; 0 when the dictionary
// lacks it (every code above the end code stands for a longer string).
inline uint16_t GifLzw::lzwFindChild(uint16_t code, uint8_t value) {
  const uint32_t hint = m_hint[code];
  if (hint >> 12 == value) return uint16_t(hint & 0xFFF);
  const uint32_t key = uint32_t(code) << 8 | value;
  uint32_t slot = hashSlot(key, kHashBits);
  for (;;) {
    const uint32_t entry = m_hash[slot];
    if (entry == kHashEmpty) {
      m_freeSlot = slot;
      return 0;
    }
    if (entry >> 12 == key) {
      const auto child = uint16_t(entry & 0xFFF);
      m_hint[code] = uint32_t(value) << 12 | child;
      return child;
    }
    slot = (slot + 1) & (kHashSize - 1);
  }
}

inline void GifLzw::lzwAddChild(uint16_t code, uint8_t value) {
  m_hash[m_freeSlot] = (uint32_t(code) << 8 | value) << 12 | uint32_t(m_nextCode);
  m_hint[code] = uint32_t(value) << 12 | uint32_t(m_nextCode);
  m_hint[size_t(m_nextCode)] = kHashEmpty;
}

// Called once per data code sent: the code just added may need a wider code,
// and a full table is cleared (a clear code tells the reader).
inline void GifLzw::lzwNextCode() {
  if (m_nextCode == (1 << m_codeWidth)) ++m_codeWidth;
  if (++m_nextCode == kTableSize - 1) {
    lzwFreeTables();
    putCode(uint32_t(m_clearCode), m_codeWidth);
    m_codeWidth = m_startWidth;
    m_nextCode = m_clearCode + 2;
  }
}

inline void GifLzw::lzwCompressPixels(const uint8_t* line, int32_t& x, int32_t n, uint16_t& prefix) {
  for (; x < n; ++x) {
    const uint8_t pixel = line[x];
    const uint16_t child = lzwFindChild(prefix, pixel);
    if (child != 0) {
      prefix = child;
      continue;
    }
    putCode(prefix, m_codeWidth);
    lzwAddChild(prefix, pixel);
    lzwNextCode();
    prefix = pixel;
    ++x;
    return;
  }
}

int32_t GifLzw::lzwEncodeImage(const uint8_t* pixels, int32_t count, int32_t width, int32_t bits,
                               bool interlaced) {
  m_startWidth = maxLong(3, bits + 1);
  m_codeWidth = m_startWidth;
  m_clearCode = 1 << (m_codeWidth - 1);
  m_endCode = m_clearCode + 1;
  m_nextCode = m_clearCode + 2;
  lzwResetTables();
  m_out.putByte(uint8_t(maxLong(bits, 2)));
  putCode(uint32_t(m_clearCode), m_codeWidth);
  if (count > 0) {
    // Rows of `width` pixels, each starting on a multiple of 4 bytes; without a width, one row.
    const int32_t rowLength = width > 0 ? width : count;
    const int32_t height = count / rowLength;
    uint16_t prefix = pixels[0];
    for (int32_t done = 0, row = 0; done < count; done += rowLength, ++row) {
      const uint8_t* line = pixels + (interlaced ? gifRowOffset(done, rowLength, height)
                                                 : int64_t(row) * ((rowLength + 3) & ~3));
      const int32_t n = std::min(rowLength, count - done);
      for (int32_t x = done == 0 ? 1 : 0; x < n;) lzwCompressPixels(line, x, n, prefix);
    }
    putCode(prefix, m_codeWidth);
    lzwNextCode();
  }
  putCode(uint32_t(m_endCode), m_codeWidth);
  gifFlushCode();
  m_out.putByte(0);
  return m_bytesWritten + 2;
}
