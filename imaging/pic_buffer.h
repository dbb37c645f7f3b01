#pragma once
// picBuffer: the one byte array that receives an encoded image for the web
// server, one image at a time; its counters serve the GIF encoder's byte writer.

#include <QByteArray>
#include <cstdint>

extern QByteArray picBuffer;
extern int32_t picBufCount;     // bytes the GIF writer has stored
extern int32_t picBufCapacity;  // upper bound of picBuffer while the GIF writer fills it
extern int32_t picBufStep;      // growth step of the GIF writer

void gifBufferInit();
void gifBufferAppendByte(uint8_t value);
void gifBufferAppendWord(uint16_t value);  // low byte first
void gifBufferAppendBytes(const uint8_t* bytes, int32_t n);
void gifBufferFinish();
