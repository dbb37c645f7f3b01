#include "imaging/gdip.h"

#include "core/log/logmsg.h"
#include "imaging/gdiplus_layer.h"

cGDIP::cGDIP(QObject* parent) : QObject(parent) {
  const Result<uint32_t> token = gdiplusStartup();
  // Without the layer no encoder is found, so nothing is written.
  if (!token) logMsg(-1, QStringLiteral("cGDIP: ERROR ") + token.error());
  m_token = token.valueOr(0);
}

cGDIP::~cGDIP() {
  if (m_token != 0) GdiplusShutdown(m_token);
}

int32_t cGDIP::ExtensionExists(const QString& pattern) const {
  return m_token == 0 ? -1 : gdipEncoderPosition(pattern);
}

QUuid cGDIP::getEncoderClsid(int32_t position) const {
  const QVector<ImageCodecInfo>& list = gdipImageEncoders();
  if (m_token == 0 || position < 0 || position >= list.size()) return QUuid();
  return list[position].clsid;
}
