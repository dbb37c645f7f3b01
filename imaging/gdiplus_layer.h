#pragma once
// The small picture layer behind cGDIP and cBitmap: start-up tokens, the image
// encoder list, image handles over QImage and encoding through Qt's image
// writers or, for GIF, the program's own encoder.

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QString>
#include <QUuid>
#include <QVector>
#include <cstdint>

#include "platform/result.h"

class QIODevice;

// Status codes, 0 = Ok.
enum GpStatus : int32_t {
  GpOk = 0,
  GpGenericError = 1,
  GpInvalidParameter = 2,
  GpOutOfMemory = 3,
  GpNotImplemented = 6,
  GpWin32Error = 7,
  GpWrongState = 8,
  GpFileNotFound = 10,
  GpUnknownImageFormat = 13,
  GpNotInitialized = 18,
  GpPropertyNotFound = 19,
};

struct ImageCodecInfo {
  QUuid clsid;
  QUuid formatId;
  QString codecName;
  QString formatDescription;
  QString filenameExtension;  // patterns separated by ";", such as "*.BMP;*.DIB;*.RLE"
  QString mimeType;
  QByteArray qtFormat;  // Qt's writer, or "gif" for the program's own encoder
};

// Optional settings of an encoder; a negative quality leaves the writer's default.
struct EncoderParameters {
  int quality = -1;
};

int32_t GdiplusStartup(uint32_t& token);
void GdiplusShutdown(uint32_t token);
int32_t gdiplusStartedCount();                   // tokens handed out and not yet shut down
void gdiplusFailStartupForTest(int32_t status);  // test seam: the next start-ups give this status

int32_t GdipGetImageEncoders(QVector<ImageCodecInfo>& encoders);
// The encoder with that identifier, or nullptr.
const ImageCodecInfo* gdipFindEncoder(const QUuid& clsid);
// The encoder whose patterns list "*.<type>" (any letter case; the last such
// encoder of the list, as cGDIP's pattern index finds it), or nullptr.
const ImageCodecInfo* gdipEncoderForType(const QString& type);
// A picture in memory in the format of `codec`. Any thread may encode.
Result<QByteArray> gdipEncodeImage(const QImage& image, const ImageCodecInfo& codec,
                                   const EncoderParameters* params = nullptr);

// Properties kept from a loaded image: id -> value type and value bytes.
struct GpProperty {
  uint16_t type = 0;
  QByteArray value;
};

// One image behind a handle; `source` keeps the bytes it was loaded from (its stream).
struct GpImage {
  QImage image;
  QByteArray source;
  QMap<int32_t, GpProperty> properties;
};

int32_t gdipNewImage(GpImage image);  // the new handle (never 0)
GpImage* gdipImage(int32_t handle);   // nullptr for 0 or a disposed handle
int32_t GdipDisposeImage(int32_t handle);
int32_t gdipImageCount();  // images not yet disposed

// Loads an image from bytes or a file, keeping what multi-frame images need.
int32_t gdipLoadImage(const QByteArray& bytes, GpImage& out);
// Encodes with the encoder of that identifier into the device or the file.
int32_t gdipSaveImageToStream(const QImage& image, QIODevice& stream, const QUuid& encoder,
                              const EncoderParameters* params);
int32_t gdipSaveImageToFile(const QImage& image, const QString& fileName, const QUuid& encoder,
                            const EncoderParameters* params);
