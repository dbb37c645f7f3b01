#pragma once
// cGDIP: one use of the picture layer. It starts the layer when created and
// shuts it down when it ends, and finds the encoder for a file-name pattern
// ("*.png", any letter case) while the layer runs.

#include <QObject>
#include <QString>
#include <QUuid>
#include <cstdint>

class cGDIP : public QObject {
  Q_OBJECT

 public:
  explicit cGDIP(QObject* parent = nullptr);
  ~cGDIP() override;

  int32_t ExtensionExists(const QString& pattern) const;  // encoder position, or -1
  QUuid getEncoderClsid(int32_t position) const;          // null for a position outside the list

 private:
  uint32_t m_token = 0;  // 0 while the layer is not started
};
