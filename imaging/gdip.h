#pragma once
// cGDIP: one use of the picture layer. It starts the layer when created and
// shuts it down when it ends, keeps the list of image encoders, finds the
// encoder for a file-name pattern ("*.png", any letter case) and turns status
// codes into texts that it reports through its Error signal.

#include <QHash>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVector>
#include <cstdint>
#include <optional>

class cGDIP : public QObject {
  Q_OBJECT

 public:
  explicit cGDIP(QObject* parent = nullptr);
  ~cGDIP() override;

  // Raises Error(status, its text, where); cBitmap reports through it.
  void raiseGdipError(int32_t status, const QString& where);
  int32_t ExtensionExists(const QString& pattern) const;  // encoder position, or -1
  static QString gdipStatusText(int32_t status);
  void loadEncoderList();
  QUuid getEncoderClsid(int32_t position) const;  // null for a position outside the list
  // One pattern index entry per item of list; the last item is trimmed, an empty one
  // adds nothing, and a pattern already listed keeps its first encoder.
  void parseExtensionList(const QString& list, const QString& separator, int32_t position);
  static QUuid clsidFromString(const QString& text);  // braces form; null when not an identifier
  static QString ptrToString(const char16_t* text);   // up to the terminating zero; nullptr gives ""

  uint32_t token() const { return m_token; }  // 0 while the layer is not started
  int32_t encoderCount() const { return m_encoderCount; }

 signals:
  void Error(int32_t number, const QString& description, const QString& where);

 private:
  uint32_t m_token = 0;
  int32_t m_encoderCount = 0;
  QVector<QUuid> m_encoderClsids;
  std::optional<QHash<QString, int32_t>> m_extensionIndex;  // keys in upper case; none until loaded
};
