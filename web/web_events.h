#pragma once
// What the web server announces, grouped by subject: its start and stop (with
// the settings it refused), its connections (counters and socket rows) and its
// log. Each server owns its notifiers; app/ shows them on the setup window's
// web tab. Nothing in web/ touches a window.

#include <QObject>
#include <QString>

class WebStartEvents : public QObject {
  Q_OBJECT
 signals:
  void portRefused(const QString& portText);      // Text18 red, "Port number error", Check9 grey
  void portAccepted(bool defaultPort);            // Text18 normal; tool tip names port 80 when defaulted
  void webRootRefused(const QString& path);       // Check9 cleared, txtWebRoot red
  void webRootAccepted(const QString& folder);    // txtWebRoot normal colour
  void serverStarted(const QString& url);         // lblServerURL link, root and port locked, "S&top Server"
  void serverStartFailed(int port);               // "Cannot open port: " + port, Check9 cleared
  void serverStopped();                           // "Web Server is Not running", root and port editable
};

class WebConnectionEvents : public QObject {
  Q_OBJECT
 signals:
  void counterChanged(int box, int value, bool marked);  // Text22(box)
  void socketRowChanged(int index, int state, const QString& stateName, int slot);  // Text19/20/23(index)
  void socketRowsRemoved();                       // rows 1.. unloaded
};

class WebLogEvents : public QObject {
  Q_OBJECT
 signals:
  void loggingFailed(const QString& toolTip);     // cheLogging grey and red with this tool tip
};

struct WebEvents {
  WebStartEvents start;
  WebConnectionEvents connections;
  WebLogEvents log;
};
