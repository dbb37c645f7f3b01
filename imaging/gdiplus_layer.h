#pragma once
// The small picture layer behind cGDIP: start-up tokens, the image encoder
// list, and encoding through Qt's image writers or, for GIF, the program's own
// encoder. Every step that can fail gives back why.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QUuid>
#include <QVector>
#include <cstdint>

#include "platform/result.h"

struct ImageCodecInfo {
  QUuid clsid;
  QUuid formatId;
  QString codecName;
  QString formatDescription;
  QString filenameExtension;  // patterns separated by ";", such as "*.BMP;*.DIB;*.RLE"
  QString mimeType;
  QByteArray qtFormat;  // Qt's writer, or "gif" for the program's own encoder
};

// A new start-up token (never 0).
Result<uint32_t> gdiplusStartup();
void GdiplusShutdown(uint32_t token);
int32_t gdiplusStartedCount();              // tokens handed out and not yet shut down
void gdiplusFailStartupForTest(bool fail);  // test seam: the next start-ups fail

// The encoders, always in the same order.
const QVector<ImageCodecInfo>& gdipImageEncoders();
// The encoder with that identifier, or nullptr.
const ImageCodecInfo* gdipFindEncoder(const QUuid& clsid);
// The position in the list of the last encoder whose patterns list `pattern`
// (such as "*.png", any letter case), or -1.
int32_t gdipEncoderPosition(const QString& pattern);
// The encoder for files "*.<type>", or nullptr.
const ImageCodecInfo* gdipEncoderForType(const QString& type);
// A picture in memory in the format of `codec`. Any thread may encode.
Result<QByteArray> gdipEncodeImage(const QImage& image, const ImageCodecInfo& codec);
// The picture as a file in the format of `codec`.
Result<> gdipSaveImage(const QImage& image, const QString& fileName, const ImageCodecInfo& codec);
// A picture file read back (its first frame).
Result<QImage> gdipLoadImage(const QString& fileName);
