#include "meter/window/help_link.h"

QString helpLinkQuery(const QString& version) { return QStringLiteral("?Zav-") + version; }

QString helpLinkAddress(const QString& address, const QString& version) {
  const QString scheme = address.contains(QLatin1String("://")) ? QString() : QStringLiteral("http://");
  return scheme + address + helpLinkQuery(version);
}

QString helpLinkTarget(const QString& boxText, const QString& version) {
  return helpLinkAddress(boxText.trimmed(), version);
}

void HelpLinkClicks::mouseDown(int button, double x) { m_linkPressX = button == 1 ? x : -1; }

bool HelpLinkClicks::mouseUp(int button, double x) {
  const bool open = button == 1 && x == m_linkPressX && x > 0;
  m_linkPressX = -1;
  return open;
}
