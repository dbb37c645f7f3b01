#pragma once
// Where the GIF encoder's bytes go: a file through cFile, or the caller's
// byte array (in memory, as the encoder registry and the web image use it).

#include <QByteArray>
#include <cstdint>

#include "platform/result.h"

class cFile;

class GifOutput {
 public:
  virtual ~GifOutput() = default;
  virtual void putBytes(const uint8_t* bytes, int32_t n) = 0;
  void putByte(uint8_t value) { putBytes(&value, 1); }
  void putWord(uint16_t value);  // low byte first
};

class ByteArrayGifOutput : public GifOutput {
 public:
  explicit ByteArrayGifOutput(QByteArray& bytes) : m_bytes(bytes) {}
  void putBytes(const uint8_t* bytes, int32_t n) override;

 private:
  QByteArray& m_bytes;
};

// Collects small writes and hands them to the file in large pieces. After a
// failed write nothing more is written; flush() gives back that first failure.
class FileGifOutput : public GifOutput {
 public:
  explicit FileGifOutput(cFile& file) : m_file(file) {}
  void putBytes(const uint8_t* bytes, int32_t n) override;
  Result<> flush();

 private:
  static constexpr int32_t kChunk = 64 * 1024;
  cFile& m_file;
  QByteArray m_pending;
  Result<> m_written;
};
