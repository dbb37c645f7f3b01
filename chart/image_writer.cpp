#include "chart/image_writer.h"

#include "core/log/logmsg.h"
#include "core/util/text_helpers.h"
#include "imaging/bitmap.h"
#include "imaging/gdip.h"

namespace {
// The bitmap's status as the log shows it, with the words for it when known.
QString statusOf(int32_t status, const cBitmap& bitmap) {
  const QString number = QString::number(status);
  return bitmap.lastReason().isEmpty() ? number : number + QStringLiteral(": ") + bitmap.lastReason();
}
}  // namespace

void writeImage(cGDIP* gdip, const QImage& picture, const QString& type, const QString& fileName,
                QByteArray& bytes) {
  if (!gdip) return;
  const int32_t position = gdip->ExtensionExists(QStringLiteral("*.") + type);
  if (position == -1) return;
  const QUuid encoder = gdip->getEncoderClsid(position);
  cBitmap bitmap1;
  bitmap1.setGdipLink(gdip);
  int32_t status = bitmap1.CreateFromHBitmap(picture);
  if (status != 0) {
    logMsg(-1, QStringLiteral("writeImage: Error! bitmap1.CreateFromHBitmap = ") + statusOf(status, bitmap1));
    return;
  }
  if (!fileName.isEmpty()) {
    status = bitmap1.SaveToFile(fileName, encoder);
    if (status != 0)
      logMsg(-1, QStringLiteral("writeImage: Error! bitmap1.SaveToFile = ") + statusOf(status, bitmap1) + kCrLf +
                     fileName);
    else
      logMsg(2, QStringLiteral("writeImage: OK, File Saved!") + kCrLf + fileName);
    return;
  }
  const int32_t count = bitmap1.GetBitmapStream(bytes, encoder);
  if (count < 1)
    logMsg(-1, QStringLiteral("writeImage: Error! bitmap1.GetBitmapStream = ") + statusOf(count, bitmap1));
  else
    logMsg(2, QStringLiteral("writeImage: OK, stream created") + kCrLf + QStringLiteral("bytes = ") +
                  QString::number(bytes.size()));
}

void gdip_Error(int32_t number, const QString& description, const QString& where) {
  logMsg(-1, QStringLiteral("gdip_Error: GDIP Error in: ") + where + u'\t' + QStringLiteral("Error Number: ") +
                 QString::number(number) + u'\t' + QStringLiteral("Error Description: ") + description);
}
