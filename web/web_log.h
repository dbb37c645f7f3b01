#pragma once
// The server log: one entry per socket event while logging is on, and the
// error report of a failed request.

#include <QDateTime>
#include <QString>

class SocketArray;

// What one log entry says about its socket at the moment of the event.
struct WebLogSocket {
  int index = 0;
  qintptr handle = -1;
  int state = 0;
  QString remoteIP;
  int remotePort = 0;
};

QString formatLogTime(const QDateTime& local);  // "yyyy-mm-dd hh:nn:ss"
QString socketStateName(int state);
// The entry's text, from the first line to the closing empty line.
QString webLogEntry(const QDateTime& now, const WebLogSocket& socket, int event, const QString& text);
// Appends the entry when logging is on; a failed write switches logging off
// (grey) and announces why. The server goes on either way.
void logWebServerEvent(const WebLogSocket& socket, int event, const QString& text);
// The six-line error report of a failed request: to the server log (when
// logging is on) and to the message window at level -1.
QString webErrorReport(const QDateTime& now, const QString& procedure, int number, const QString& description);
void logWebError(const QString& procedure, int number, const QString& description);
