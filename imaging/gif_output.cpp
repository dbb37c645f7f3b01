#include "imaging/gif_output.h"

#include "imaging/file_wrapper.h"

void GifOutput::putWord(uint16_t value) {
  const uint8_t bytes[2] = {uint8_t(value & 0xFF), uint8_t(value >> 8)};
  putBytes(bytes, 2);
}

void ByteArrayGifOutput::putBytes(const uint8_t* bytes, int32_t n) {
  m_bytes.append(reinterpret_cast<const char*>(bytes), n);
}

void FileGifOutput::putBytes(const uint8_t* bytes, int32_t n) {
  m_pending.append(reinterpret_cast<const char*>(bytes), n);
  if (m_pending.size() >= kChunk) flush();
}

void FileGifOutput::flush() {
  if (m_pending.isEmpty()) return;
  int32_t written = 0;
  if (!m_failed && !m_file.WriteToFile(m_pending, int32_t(m_pending.size()), written)) m_failed = true;
  m_pending.clear();
}
