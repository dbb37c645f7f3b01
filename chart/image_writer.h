#pragma once
// A drawn picture written through the picture layer, as the user's chart and
// the web's graph pictures both do it: the type's encoder found by a cGDIP, a
// cBitmap made from the picture, then a file or the caller's byte array. Each
// outcome is logged with the bitmap's status and, for a failure, its reason.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

class cGDIP;

// The picture in the format that "*.<type>" names, as the file fileName (written
// beside it and renamed over it when complete) or, with no name, into bytes
// (replaced whole only by a complete encoding). Without gdip or an encoder for
// the type nothing happens and nothing is logged.
void writeImage(cGDIP* gdip, const QImage& picture, const QString& type, const QString& fileName,
                QByteArray& bytes);

// The chart's handler of its cGDIP's Error signal: one line at level -1.
void gdip_Error(int32_t number, const QString& description, const QString& where);
