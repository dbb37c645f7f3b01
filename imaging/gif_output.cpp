#include "imaging/gif_output.h"

#include <QObject>

#include "imaging/file_wrapper.h"

void GifOutput::putWord(uint16_t value) {
  const uint8_t bytes[2] = {uint8_t(value & 0xFF), uint8_t(value >> 8)};
  putBytes(bytes, 2);
}

void ByteArrayGifOutput::putBytes(const uint8_t* bytes, int32_t n) {
  m_bytes.append(reinterpret_cast<const char*>(bytes), n);
}

void GifBufferOutput::gifBufferInit() {
  m_buf.picBufStep = 10000;
  m_buf.picBufCapacity = 10000;
  m_buf.bytes = QByteArray(m_buf.picBufCapacity + 1, '\0');
  m_buf.picBufCount = 0;
}

void GifBufferOutput::gifBufferAppendBytes(const uint8_t* bytes, int32_t n) {
  const int32_t count = m_buf.picBufCount + n;
  if (count > m_buf.picBufCapacity) {
    m_buf.picBufCapacity = count + m_buf.picBufStep;
    m_buf.bytes.resize(m_buf.picBufCapacity + 1);
  }
  std::copy_n(bytes, n, m_buf.bytes.data() + m_buf.picBufCount);
  m_buf.picBufCount = count;
}

void GifBufferOutput::gifBufferAppendByte(uint8_t value) { gifBufferAppendBytes(&value, 1); }

void GifBufferOutput::gifBufferAppendWord(uint16_t value) {
  const uint8_t bytes[2] = {uint8_t(value & 0xFF), uint8_t(value >> 8)};
  gifBufferAppendBytes(bytes, 2);
}

void GifBufferOutput::gifBufferFinish() {
  m_buf.picBufCapacity = m_buf.picBufCount;
  m_buf.bytes.resize(m_buf.picBufCount);
}

Failure gifFileFailure(int32_t number, const QString& description) {
  return Failure(QStringLiteral("ERROR %1 %2").arg(number).arg(description.trimmed()));
}

FileGifOutput::FileGifOutput(cFile& file) : m_file(file) {
  m_watch = QObject::connect(
      &m_file, &cFile::FileError, &m_file, [this](int32_t number, const QString& description) {
        if (m_written) m_written = gifFileFailure(number, description);  // the first failure is the cause
      });
}

FileGifOutput::~FileGifOutput() { QObject::disconnect(m_watch); }

void FileGifOutput::putBytes(const uint8_t* bytes, int32_t n) {
  m_pending.append(reinterpret_cast<const char*>(bytes), n);
  // A failure is kept for the last flush to give back.
  if (m_pending.size() >= kChunk) static_cast<void>(flush());
}

Result<> FileGifOutput::flush() {
  int32_t written = 0;
  if (m_written && !m_pending.isEmpty() &&
      !m_file.WriteToFile(m_pending, int32_t(m_pending.size()), written) &&
      m_written)  // refused without an event: no file open
    m_written = Failure(QStringLiteral("no file open to write the GIF to"));
  m_pending.clear();
  return m_written;
}
