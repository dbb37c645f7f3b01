#pragma once
// The GIF encoder's LZW stage: a dictionary kept as a first-child/next-sibling
// tree over fixed tables, codes packed least significant bit first, and the
// packed bytes sent in sub-blocks of up to 255 bytes.

#include <array>
#include <cstdint>

class GifOutput;

// Bytes per row of a device-independent bitmap, rounded up to a multiple of 4.
int32_t dibRowBytes(int32_t bits, int32_t width);
// Index into the pixel array (rows padded to 4 bytes) of output pixel n when
// rows go out in GIF interlace order.
int32_t gifRowOffset(int32_t n, int32_t width, int32_t height);

class GifLzw {
 public:
  explicit GifLzw(GifOutput& out) : m_out(out) { gifInitState(); }

  void gifInitState();
  // Writes the minimum code size, the sub-blocks and the block terminator for
  // `count` pixels of one byte each (rows padded to 4 bytes); returns their byte count.
  int32_t lzwEncodeImage(const uint8_t* pixels, int32_t count, int32_t width, int32_t bits, bool interlaced);
  void gifPutCode(uint32_t code, int32_t width);
  void gifFlushCode();
  // Bytes of sub-blocks sent so far, length bytes included.
  int32_t bytesWritten() const { return m_bytesWritten; }

 private:
  static constexpr int kTableSize = 4096;
  void lzwCompressPixels();
  uint16_t lzwFindChild(uint16_t code, uint8_t value);
  void lzwResetTables();
  void lzwFreeTables();
  uint8_t readNextPixel();
  void emitBlock();

  GifOutput& m_out;
  // Bit packing and the sub-block being filled.
  uint64_t m_bits = 0;
  int32_t m_bitCount = 0;
  std::array<uint8_t, 256> m_block{};  // length byte, then up to 255 data bytes
  int32_t m_blockLen = 0;
  int32_t m_bytesWritten = 0;
  // The dictionary.
  std::array<uint16_t, kTableSize> m_firstChild{};
  std::array<uint16_t, kTableSize> m_nextSibling{};
  std::array<uint8_t, kTableSize + 1> m_suffix{};
  uint16_t m_lastSibling = 0;  // where lzwFindChild's failed walk ended
  // The image being read.
  const uint8_t* m_pixels = nullptr;
  int32_t m_count = 0, m_width = 0, m_height = 0;
  int32_t m_codeWidth = 0, m_clearCode = 0, m_endCode = 0, m_nextCode = 0;
  int32_t m_pixelsRead = 0, m_column = 0, m_rowPadding = 0, m_padPerRow = 0;
  uint8_t m_currentPixel = 0;
  bool m_interlaced = false;
};
