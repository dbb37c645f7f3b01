#include "imaging/gdip.h"

#include "core/log/logmsg.h"
#include "imaging/gdiplus_layer.h"

namespace {
const char* const kStatusTexts[] = {
    "Generic Error",        "Invalid Parameter",    "Out Of Memory",
    "Object Busy",          "Insufficient Buffer",  "Not Implemented",
    "Win32 Error",          "Wrong State",          "Aborted",
    "File Not Found",       "Value Overflow",       "Access Denied",
    "Unknown Image Format", "FontFamily Not Found", "FontStyle Not Found",
    "Not TrueType Font",    "Unsupported Gdiplus Version", "Gdiplus Not Initialized",
    "Property Not Found",   "Property Not Supported",
};
}  // namespace

cGDIP::cGDIP(QObject* parent) : QObject(parent) {
  const Result<uint32_t> token = gdiplusStartup();
  // Without the layer no encoder is found, so nothing is written: say why once.
  if (!token) {
    logMsg(-1, QStringLiteral("cGDIP: ERROR ") + token.error());
    return;
  }
  m_token = *token;
  loadEncoderList();
}

cGDIP::~cGDIP() {
  if (m_token != 0) GdiplusShutdown(m_token);
}

void cGDIP::raiseGdipError(int32_t status, const QString& where) {
  emit Error(status, gdipStatusText(status), where);
}

int32_t cGDIP::ExtensionExists(const QString& pattern) const {
  if (!m_extensionIndex) return -1;
  return m_extensionIndex->value(pattern.toUpper(), -1);
}

QString cGDIP::gdipStatusText(int32_t status) {
  if (status >= 1 && status <= 20) return QString::fromLatin1(kStatusTexts[status - 1]);
  return QStringLiteral("Unknown GDI+ Error");
}

void cGDIP::loadEncoderList() {
  const QVector<ImageCodecInfo>& encoders = gdipImageEncoders();
  m_encoderCount = int32_t(encoders.size());
  m_encoderClsids = QVector<QUuid>(m_encoderCount);
  m_extensionIndex.emplace();
  for (int32_t i = m_encoderCount - 1; i >= 0; --i) {
    m_encoderClsids[i] = encoders[i].clsid;
    parseExtensionList(ptrToString(reinterpret_cast<const char16_t*>(encoders[i].filenameExtension.utf16())),
                       QStringLiteral(";"), i);
  }
}

QUuid cGDIP::getEncoderClsid(int32_t position) const {
  if (position < 0 || position >= m_encoderClsids.size()) return QUuid();
  return m_encoderClsids[position];
}

void cGDIP::parseExtensionList(const QString& list, const QString& separator, int32_t position) {
  if (!m_extensionIndex) m_extensionIndex.emplace();
  // The list is read from the last encoder to the first: a pattern's first entry stays.
  const auto addNew = [&](const QString& item) {
    if (!m_extensionIndex->contains(item.toUpper())) m_extensionIndex->insert(item.toUpper(), position);
  };
  qsizetype start = 0;
  for (qsizetype p = list.indexOf(separator, start); p >= 0 && !separator.isEmpty();
       p = list.indexOf(separator, start)) {
    addNew(list.mid(start, p - start));
    start = p + separator.size();
  }
  const QString last = list.mid(start).trimmed();
  if (!last.isEmpty()) addNew(last);
}

QUuid cGDIP::clsidFromString(const QString& text) {
  if (!text.startsWith(u'{') || !text.endsWith(u'}')) return QUuid();
  return QUuid::fromString(text);
}

QString cGDIP::ptrToString(const char16_t* text) {
  if (!text) return QString();
  return QString::fromUtf16(text);
}
