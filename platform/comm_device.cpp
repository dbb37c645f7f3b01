#include "platform/comm_device.h"

#include <QFileInfo>

QString comDevicePath(int port) {
  if (port < 1 || port > 255) return QString();
  const QByteArray over = qgetenv("ZAV_COM" + QByteArray::number(port));
  if (!over.isEmpty()) return QString::fromLocal8Bit(over);
  if (port > 16) return QString();
  const int i = (port - 1) % 4;
  switch ((port - 1) / 4) {
    case 0: return QStringLiteral("/dev/ttyS%1").arg(i);
    case 1: return QStringLiteral("/dev/ttyUSB%1").arg(i);
    case 2: return QStringLiteral("/dev/ttyACM%1").arg(i);
    default: return QStringLiteral("/dev/ttyUSB%1").arg(i + 4);
  }
}

QString resolveDevicePath(const QString& path) {
  if (path.isEmpty()) return QString();
  return QFileInfo(path).canonicalFilePath();
}

QString comDeviceTable() {
  QString t = QStringLiteral("COM port and device:");
  for (int port = 1; port <= 16; ++port) t += QStringLiteral("\nCOM%1  ").arg(port) + comDevicePath(port);
  return t;
}
