#pragma once
// The server log's texts: one entry per socket event, and the error report of
// a failed request; and the writer that appends them to the log file. The
// server decides when to log (web_server.h).

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>

#include "platform/result.h"

// What one log entry says about its socket at the moment of the event.
struct WebLogSocket {
  int index = 0;
  qintptr handle = -1;
  int state = 0;
  QString remoteIP;
  int remotePort = 0;
};

// The connection counters (webRequestCount, webAcceptCount, webActiveCount,
// webPeakActive, webErrorCount), shown in boxes 0..4 and in every log entry.
struct WebCounters {
  int32_t requests = 0, accepts = 0, active = 0, peak = 0, errors = 0;
};

QString formatLogTime(const QDateTime& local);  // "yyyy-mm-dd hh:nn:ss"
QString socketStateName(int state);
// The entry's text, from the first line to the closing empty line.
QString webLogEntry(const QDateTime& now, const WebLogSocket& socket, const WebCounters& counters, int event,
                    const QString& text);
// The six-line error report of a failed request.
QString webErrorReport(const QDateTime& now, const QString& appName, const QString& procedure, int number,
                       const QString& description);
// Appends the bytes to the log file; fails with the reason.
Result<> appendToLog(const QString& path, const QByteArray& bytes);
