#include "imaging/pic_buffer.h"

#include <cstring>

QByteArray picBuffer;
int32_t picBufCount = 0;
int32_t picBufCapacity = 0;
int32_t picBufStep = 10000;

void gifBufferInit() {
  picBufStep = 10000;
  picBufCapacity = 10000;
  picBuffer = QByteArray(picBufCapacity + 1, '\0');
  picBufCount = 0;
}

void gifBufferAppendBytes(const uint8_t* bytes, int32_t n) {
  if (n <= 0) return;
  const int32_t newCount = picBufCount + n;
  if (newCount > picBufCapacity) {
    picBufCapacity = newCount + picBufStep;
    picBuffer.resize(picBufCapacity + 1);
  }
  std::memcpy(picBuffer.data() + picBufCount, bytes, size_t(n));
  picBufCount = newCount;
}

void gifBufferAppendByte(uint8_t value) { gifBufferAppendBytes(&value, 1); }

void gifBufferAppendWord(uint16_t value) {
  const uint8_t bytes[2] = {uint8_t(value & 0xFF), uint8_t(value >> 8)};
  gifBufferAppendBytes(bytes, 2);
}

void gifBufferFinish() {
  picBufCapacity = picBufCount;
  picBuffer.resize(picBufCount);
}
