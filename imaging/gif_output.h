#pragma once
// Where the GIF encoder's bytes go: a file through cFile, the caller's byte
// array (in memory, as the encoder registry and the web image use it), or a
// picture buffer grown by the byte-array writer (gifBuffer*).

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <cstdint>

#include "platform/result.h"

class cFile;

class GifOutput {
 public:
  virtual ~GifOutput() = default;
  virtual void putBytes(const uint8_t* bytes, int32_t n) = 0;
  virtual void putByte(uint8_t value) { putBytes(&value, 1); }
  virtual void putWord(uint16_t value);  // low byte first
};

class ByteArrayGifOutput : public GifOutput {
 public:
  explicit ByteArrayGifOutput(QByteArray& bytes) : m_bytes(bytes) {}
  void putBytes(const uint8_t* bytes, int32_t n) override;

 private:
  QByteArray& m_bytes;
};

// An encoded picture with the byte-array writer's counters: picBufCount bytes
// written, picBufCapacity the array's upper bound while it grows, picBufStep the
// growth beyond what a write needs.
struct PicBuffer {
  QByteArray bytes;
  int32_t picBufCount = 0;
  int32_t picBufCapacity = 0;
  int32_t picBufStep = 10000;
};

// Fills a PicBuffer: gifBufferInit drops what it held, the appends grow it by
// picBufStep beyond each need, and gifBufferFinish cuts it to the bytes written.
class GifBufferOutput : public GifOutput {
 public:
  explicit GifBufferOutput(PicBuffer& buffer) : m_buf(buffer) {}
  void gifBufferInit();
  void gifBufferAppendByte(uint8_t value);
  void gifBufferAppendWord(uint16_t value);
  void gifBufferAppendBytes(const uint8_t* bytes, int32_t n);
  void gifBufferFinish();

  void putBytes(const uint8_t* bytes, int32_t n) override { gifBufferAppendBytes(bytes, n); }
  void putByte(uint8_t value) override { gifBufferAppendByte(value); }
  void putWord(uint16_t value) override { gifBufferAppendWord(value); }

 private:
  PicBuffer& m_buf;
};

// A failure of the GIF's file in the encoder's words, from cFile's number and
// text: "ERROR 112 There is not enough space on the disk."
Failure gifFileFailure(int32_t number, const QString& description);

// Collects small writes and hands them to the file in large pieces. After a
// failed write nothing more is written; flush() gives back the file's first
// failure while this output lived ("ERROR 112 There is not enough space on the disk.").
class FileGifOutput : public GifOutput {
 public:
  explicit FileGifOutput(cFile& file);
  ~FileGifOutput() override;
  void putBytes(const uint8_t* bytes, int32_t n) override;
  Result<> flush();

 private:
  static constexpr int32_t kChunk = 64 * 1024;
  cFile& m_file;
  QByteArray m_pending;
  Result<> m_written;               // the first failure, once there is one
  QMetaObject::Connection m_watch;  // the file's FileError, kept as m_written
};
