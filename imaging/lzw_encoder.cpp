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
  m_pixelsRead = 0;
  m_column = 0;
  m_rowPadding = 0;
}

void GifLzw::emitBlock() {
  m_block[0] = uint8_t(m_blockLen);
  m_out.putBytes(m_block.data(), m_blockLen + 1);
  m_bytesWritten += m_blockLen + 1;
  m_blockLen = 0;
}

void GifLzw::gifPutCode(uint32_t code, int32_t width) {
  m_bits |= uint64_t(code & ((1u << width) - 1)) << m_bitCount;
  m_bitCount += width;
  while (m_bitCount >= 8) {
    m_block[1 + m_blockLen++] = uint8_t(m_bits);
    m_bits >>= 8;
    m_bitCount -= 8;
    if (m_blockLen == 255) emitBlock();
  }
}

void GifLzw::gifFlushCode() {
  if (m_bitCount > 0) {
    m_block[1 + m_blockLen++] = uint8_t(m_bits);
    m_bits = 0;
    m_bitCount = 0;
  }
  if (m_blockLen > 0) emitBlock();
}

void GifLzw::lzwResetTables() {
  m_firstChild.fill(0);
  for (int32_t i = 0; i < m_clearCode; ++i) m_suffix[size_t(i)] = uint8_t(i);
}

// Entries come back to life as they are added again; an empty first-child table is an empty dictionary.
void GifLzw::lzwFreeTables() { m_firstChild.fill(0); }

uint16_t GifLzw::lzwFindChild(uint16_t code, uint8_t value) {
  m_lastSibling = 0;
  for (uint16_t c = m_firstChild[code]; c != 0; c = m_nextSibling[c]) {
    if (m_suffix[c] == value) return c;
    m_lastSibling = c;
  }
  return 0;
}

uint8_t GifLzw::readNextPixel() {
  if (m_interlaced) return m_pixels[gifRowOffset(m_pixelsRead, m_width, m_height)];
  if (++m_column == m_width) {
    m_column = 0;
    m_rowPadding += m_padPerRow;
  }
  return m_pixels[m_pixelsRead + m_rowPadding];
}

void GifLzw::lzwCompressPixels() {
  uint16_t prefix = m_currentPixel;
  if (++m_pixelsRead == m_count) {
    gifPutCode(prefix, m_codeWidth);
    return;
  }
  m_currentPixel = readNextPixel();
  uint16_t child = lzwFindChild(prefix, m_currentPixel);
  while (child != 0) {
    prefix = child;
    if (++m_pixelsRead == m_count) {
      gifPutCode(prefix, m_codeWidth);
      return;
    }
    m_currentPixel = readNextPixel();
    child = lzwFindChild(prefix, m_currentPixel);
  }
  gifPutCode(prefix, m_codeWidth);
  const auto code = uint16_t(m_nextCode);
  m_suffix[code] = m_currentPixel;
  m_firstChild[code] = 0;
  m_nextSibling[code] = 0;
  if (m_lastSibling == 0)
    m_firstChild[prefix] = code;
  else
    m_nextSibling[m_lastSibling] = code;
}

int32_t GifLzw::lzwEncodeImage(const uint8_t* pixels, int32_t count, int32_t width, int32_t bits,
                               bool interlaced) {
  m_pixels = pixels;
  m_count = count;
  m_width = width;
  m_height = width > 0 ? count / width : 0;
  m_padPerRow = (4 - width % 4) % 4;
  m_interlaced = interlaced;
  m_currentPixel = count > 0 ? pixels[0] : 0;
  m_pixelsRead = 0;

  const int32_t startWidth = std::max(3, bits + 1);
  m_codeWidth = startWidth;
  m_clearCode = 1 << (m_codeWidth - 1);
  m_endCode = m_clearCode + 1;
  m_nextCode = m_clearCode + 2;
  lzwResetTables();
  m_out.putByte(uint8_t(std::max(bits, 2)));
  gifPutCode(uint32_t(m_clearCode), m_codeWidth);
  while (m_pixelsRead != m_count) {
    lzwCompressPixels();
    if (m_nextCode == (1 << m_codeWidth)) ++m_codeWidth;
    if (++m_nextCode == kTableSize - 1) {
      lzwFreeTables();
      gifPutCode(uint32_t(m_clearCode), m_codeWidth);
      m_codeWidth = startWidth;
      m_nextCode = m_clearCode + 2;
    }
  }
  gifPutCode(uint32_t(m_endCode), m_codeWidth);
  gifFlushCode();
  m_out.putByte(0);
  return m_bytesWritten + 2;
}
