#include "meter/window/brand.h"

#include <QPainter>
#include <QPixmap>


bool isFalvorBrand(const QString& appName) { return appName == QLatin1String("Falvor"); }

QString brandWord(const QString& appName) { return isFalvorBrand(appName) ? QStringLiteral("Falvor ") : QStringLiteral("Zav "); }

QString brandCaptionPrefix(const QString& appName) { return brandWord(appName) + QStringLiteral("ver "); }

QString brandHelpAddress(const QString& appName) {
  return isFalvorBrand(appName) ? QStringLiteral("https://zav.example/help/falvor")
                         : QStringLiteral("https://zav.example/help");
}

QString brandBanner() { return QStringLiteral("Energy meter read-out and recorder"); }

QIcon brandIcon(const QString& appName) {
  // A plain drawn mark; each brand has its own colour and letter.
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(isFalvorBrand(appName) ? QColor(0, 110, 60) : QColor(20, 70, 160));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(1, 1, 30, 30, 6, 6);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(22);
  p.setFont(f);
  p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter,
             isFalvorBrand(appName) ? QStringLiteral("F") : QStringLiteral("Z"));
  p.end();
  return QIcon(pm);
}

QString programVersion() {
  return QString::number(ZAV_VERSION_MAJOR) + u'.' + QString::number(ZAV_VERSION_MINOR) + u'.' +
         QString::number(ZAV_VERSION_REVISION);
}
