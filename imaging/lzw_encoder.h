#pragma once
// The GIF encoder's LZW stage: a dictionary kept as a hash table from
// (prefix code, pixel) to code, codes packed least significant bit first, and
// the packed bytes sent in sub-blocks of up to 255 bytes.

#include <array>
#include <cstdint>

class GifOutput;

// Bytes per row of a device-independent bitmap, rounded up to a multiple of 4.
int32_t dibRowBytes(int32_t bits, int32_t width);
constexpr int32_t maxLong(int32_t a, int32_t b) { return b > a ? b : a; }
// value divided by 2^n (n 1..8), truncated.
constexpr uint64_t shiftRight(uint64_t value, int n) { return value >> n; }
// Index into the pixel array (rows padded to 4 bytes) of output pixel n when
// rows go out in GIF interlace order.
int32_t gifRowOffset(int32_t n, int32_t width, int32_t height);

class GifLzw {
 public:
  explicit GifLzw(GifOutput& out) : m_out(out) { gifInitState(); }

  void gifInitState();
  // Writes the minimum code size, the sub-blocks and the block terminator for
  // `count` pixels of one byte each (rows padded to 4 bytes), each below 2^bits;
  // returns their byte count.
  int32_t lzwEncodeImage(const uint8_t* pixels, int32_t count, int32_t width, int32_t bits, bool interlaced);
  void gifPutCode(uint32_t code, int32_t width);
  void gifFlushCode();
  // Bytes of sub-blocks sent so far, length bytes included.
  int32_t bytesWritten() const { return m_bytesWritten; }

 private:
  static constexpr int kTableSize = 4096;
  // Twice the most entries a dictionary holds, so a lookup seldom probes more than twice.
  static constexpr int kHashBits = 13;
  static constexpr uint32_t kHashSize = 1u << kHashBits;
  // No entry has the prefix 4095 (the table is cleared before that code), so this word is free.
  static constexpr uint32_t kHashEmpty = 0xFFFFFFFFu;
  // One dictionary string from the row's pixels at x on (the prefix carried in):
  // it grows while the dictionary knows it; at the first pixel it does not know,
  // the string's code goes out and the new entry is added. A row that ends first
  // leaves the string for the next row.
  void lzwCompressPixels(const uint8_t* line, int32_t& x, int32_t n, uint16_t& prefix);
  uint16_t lzwFindChild(uint16_t code, uint8_t value);
  void lzwAddChild(uint16_t code, uint8_t value);  // as code m_nextCode, where the failed lookup ended
  void lzwNextCode();
  void lzwResetTables();  // before an image
  void lzwFreeTables();   // when the table is full
  void emitBlock();
  void putCode(uint32_t code, int32_t width);

  GifOutput& m_out;
  // Bit packing and the sub-block being filled.
  uint64_t m_bits = 0;
  int32_t m_bitCount = 0;
  std::array<uint8_t, 256> m_block{};  // length byte, then up to 255 data bytes
  int32_t m_blockLen = 0;
  int32_t m_bytesWritten = 0;
  // The dictionary: each used slot holds (prefix << 8 | pixel) << 12 | code.
  std::array<uint32_t, kHashSize> m_hash{};
  uint32_t m_freeSlot = 0;  // where lzwFindChild's failed probe ended: the new entry goes there
  // Per code, the child last found or added (pixel << 12 | code): runs of one colour find
  // their next code here without hashing. A code's hint is emptied when the code is given out.
  std::array<uint32_t, kTableSize> m_hint{};
  int32_t m_startWidth = 0, m_codeWidth = 0, m_clearCode = 0, m_endCode = 0, m_nextCode = 0;
};
