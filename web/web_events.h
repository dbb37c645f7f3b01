#pragma once
// What the web server announces: started, stopped, refused settings, counters,
// socket rows, a failed log write. The server emits; the setup window's wiring
// in app/ shows it. Nothing in web/ touches a window.

#include <QObject>
#include <QString>

class WebEvents : public QObject {
  Q_OBJECT
 signals:
  void settingsNeeded();                          // refresh the web setting values before they are read
  void portRefused(const QString& portText);      // Text18 red, "Port number error", Check9 grey
  void portAccepted(bool defaultPort);            // Text18 normal; tool tip names port 80 when defaulted
  void webRootRefused(const QString& path);       // Check9 cleared, txtWebRoot red
  void webRootAccepted(const QString& folder);    // txtWebRoot normal colour
  void serverStarted(const QString& url);         // lblServerURL link, root and port locked, "S&top Server"
  void serverStartFailed(int port);               // "Cannot open port: " + port, Check9 cleared
  void serverStopped();                           // "Web Server is Not running", root and port editable
  void counterChanged(int box, int value, bool marked);  // Text22(box)
  void socketRowChanged(int index, int state, const QString& stateName, int slot);  // Text19/20/23(index)
  void socketRowsRemoved();                       // rows 1.. unloaded
  void loggingFailed(const QString& toolTip);     // cheLogging grey and red with this tool tip
};

WebEvents& webEvents();
