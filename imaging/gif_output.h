#pragma once
// Where the GIF encoder's bytes go: a file through cFile, or the caller's
// byte array (in memory, as the encoder registry and the web image use it).

#include <QByteArray>
#include <cstdint>

class cFile;

class GifOutput {
 public:
  virtual ~GifOutput() = default;
  virtual void putBytes(const uint8_t* bytes, int32_t n) = 0;
  // True once a write has failed; the encoder then reports nothing written.
  virtual bool failed() const { return false; }
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

// Collects small writes and hands them to the file in large pieces.
class FileGifOutput : public GifOutput {
 public:
  explicit FileGifOutput(cFile& file) : m_file(file) {}
  ~FileGifOutput() override { flush(); }
  void putBytes(const uint8_t* bytes, int32_t n) override;
  bool failed() const override { return m_failed; }
  void flush();

 private:
  static constexpr int32_t kChunk = 64 * 1024;
  cFile& m_file;
  QByteArray m_pending;
  bool m_failed = false;
};
