#include "web/web_log.h"

#include <QFile>
#include <QLocale>
#include <cerrno>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "web/web_events.h"
#include "web/web_paths.h"
#include "web/web_state.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// Single precision as text: up to seven significant digits, the locale's separator.
QString singleText(float v) {
  QLocale loc = QLocale::system();
  loc.setNumberOptions(QLocale::OmitGroupSeparator);
  return loc.toString(double(v), 'g', 7);
}

Result<> appendToLog(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::Append) || f.write(bytes) != bytes.size()) return Failure(f.errorString());
  return {};
}

void writeLog(const QString& entry) {
  const QString path = webLogPath(webLogFileText);
  const Result<> written = appendToLog(path, entry.toLatin1());
  if (written) return;
  webLogging = 2;
  emit webEvents().loggingFailed(QStringLiteral("Error writing to log file: ") + path + QStringLiteral("     (") +
                                 written.error() + u')');
}
}  // namespace

bool webLoggingOn() {
  emit webEvents().settingsNeeded();
  return webLogging == 1;
}

QString formatLogTime(const QDateTime& local) { return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

QString socketStateName(int state) {
  static const char* const kNames[] = {"sckClosed",         "sckOpen",         "sckListening",
                                       "sckConnectionPending", "sckResolvingHost", "sckHostResolved",
                                       "sckConnecting",     "sckConnected",    "sckClosing",
                                       "sckError"};
  return state >= 0 && state <= 9 ? QString::fromLatin1(kNames[state]) : QStringLiteral("undefined");
}

QString webLogEntry(const QDateTime& now, const WebLogSocket& s, int event, const QString& text) {
  static const char* const kEvents[] = {"ConnectionRequest", "DataArrival", "SendProgress", "SendComplete",
                                        "Connect",           "Close",       "Error"};
  static const char kSeparators[] = {'-', '-', '=', '=', '?', '?', 'x'};
  const bool known = event >= 0 && event <= 6;
  const float seconds = float(now.time().msecsSinceStartOfDay()) / 1000.0f;
  QString e = formatLogTime(now) + QStringLiteral("  ") + singleText(seconds) + QStringLiteral("  (") +
              QString::number(s.index) + u')' + QStringLiteral("  SocketHandle=") + QString::number(s.handle) +
              QStringLiteral("  State=") + QString::number(s.state) + u':' + socketStateName(s.state) +
              QStringLiteral("  Event=") + QString::number(event) + u':' +
              (known ? QString::fromLatin1(kEvents[event]) : QStringLiteral("undefined")) + kCrLf;
  e += QStringLiteral("  [") + QString::number(webRequestCount) + u' ' + QString::number(webAcceptCount) + u' ' +
       QString::number(webActiveCount) + u' ' + QString::number(webPeakActive) + QStringLiteral("]  ") + s.remoteIP +
       u':' + QString::number(s.remotePort);
  if (event == 1) e += text + kCrLf;
  else if (known) e += kCrLf + text + kCrLf;
  else e += kCrLf + QStringLiteral("undefined wsEvent = ") + QString::number(event) + kCrLf + text + kCrLf;
  e += QString(80, QChar::fromLatin1(known ? kSeparators[event] : '!')) + kCrLf + kCrLf;
  return e;
}

void logWebServerEvent(const WebLogSocket& socket, int event, const QString& text) {
  if (webLoggingOn()) writeWebServerEvent(socket, event, text);
}

void writeWebServerEvent(const WebLogSocket& socket, int event, const QString& text) {
  writeLog(webLogEntry(QDateTime::currentDateTime(), socket, event, text));
}

QString webErrorReport(const QDateTime& now, const QString& procedure, int number, const QString& description) {
  return formatLogTime(now) + kCrLf + QStringLiteral("  Zav Error Source = ") + appName + kCrLf +
         QStringLiteral("  Zav Error Procedure = ") + procedure + kCrLf + QStringLiteral("  Zav Error LastDllError = ") +
         QString::number(errno) + kCrLf + QStringLiteral("  Zav Error Number = ") + QString::number(number) + kCrLf +
         QStringLiteral("  Zav Error Description = ") + description + kCrLf;
}

void logWebError(const QString& procedure, int number, const QString& description) {
  const QString report = webErrorReport(QDateTime::currentDateTime(), procedure, number, description);
  logMsg(-1, QStringLiteral("logWebError: ") + report);
  if (webLoggingOn()) writeLog(report);
}
