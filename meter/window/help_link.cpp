#include "meter/window/help_link.h"

QString helpLinkQuery(const QString& version) { return QStringLiteral("?Zav-") + version; }

QString helpLinkTarget(const QString& boxText, const QString& version) {
  QString address = boxText.trimmed();
  if (!address.contains(QLatin1String("://"))) address = QStringLiteral("http://") + address;
  return address + helpLinkQuery(version);
}

void HelpLinkClicks::mouseDown(int button, double x) { m_linkPressX = button == 1 ? x : -1; }

bool HelpLinkClicks::mouseUp(int button, double x) {
  const bool open = button == 1 && x == m_linkPressX && x > 0;
  m_linkPressX = -1;
  return open;
}
