#pragma once
// The small picture layer behind cGDIP and cBitmap: start-up tokens, the image
// encoder list, images behind handles, and encoding through Qt's image writers
// or, for GIF, the program's own encoder. Every step that can fail gives back why.

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QString>
#include <QUuid>
#include <QVector>
#include <cstdint>

#include "platform/result.h"

// Status codes of the layer's calls, 0 = Ok.
enum GpStatus : int32_t {
  GpOk = 0,
  GpGenericError = 1,
  GpInvalidParameter = 2,
  GpOutOfMemory = 3,
  GpNotImplemented = 6,
  GpWin32Error = 7,  // the operating system refused (a file not written, a full disk)
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

// A new start-up token (never 0).
Result<uint32_t> gdiplusStartup();
void GdiplusShutdown(uint32_t token);
int32_t gdiplusStartedCount();              // tokens handed out and not yet shut down
void gdiplusFailStartupForTest(bool fail);  // test seam: the next start-ups fail

// The encoders in the order the layer lists them.
const QVector<ImageCodecInfo>& gdipImageEncoders();
// The encoder with that identifier, or nullptr.
const ImageCodecInfo* gdipFindEncoder(const QUuid& clsid);
// The encoder for files "*.<type>" (any letter case; the last encoder of the
// list that names the pattern, as cGDIP's pattern index finds it), or nullptr.
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

// Images behind handles; any thread may hold some. A handle belongs to the one
// object that made it, which alone reads and disposes of it.
int32_t gdipNewImage(GpImage image);  // the new handle (never 0)
GpImage* gdipImage(int32_t handle);   // nullptr for 0 or a disposed handle
int32_t GdipDisposeImage(int32_t handle);
int32_t gdipImageCount();  // images not yet disposed

// An image decoded from a file's bytes (its first frame), keeping the bytes and
// the animation's frame delays (0x5100) and loop count (0x5101).
Result<GpImage> gdipReadImage(const QByteArray& bytes);
// A picture file read back (its first frame).
Result<QImage> gdipLoadImage(const QString& fileName);
