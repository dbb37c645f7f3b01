#pragma once
// The about box's help link: which press opens it and which address it opens.

#include <QString>

// "?Zav-" and the version, appended to the help address.
QString helpLinkQuery(const QString& version);
// The address with "http://" in front when it has no scheme, and the query.
QString helpLinkAddress(const QString& address, const QString& version);
// The box's text trimmed, as helpLinkAddress.
QString helpLinkTarget(const QString& boxText, const QString& version);

// A left press followed by a release at the same place opens the link.
class HelpLinkClicks {
 public:
  void mouseDown(int button, double x);
  // True when the release opens the link.
  bool mouseUp(int button, double x);
  double linkPressX() const { return m_linkPressX; }

 private:
  double m_linkPressX = -1;
};
