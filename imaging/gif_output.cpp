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
  // A failure is kept for the last flush to give back.
  if (m_pending.size() >= kChunk) static_cast<void>(flush());
}

Result<> FileGifOutput::flush() {
  if (m_written && !m_pending.isEmpty()) m_written = m_file.WriteToFile(m_pending);
  m_pending.clear();
  return m_written;
}
