#include "web/web_log.h"

#include <QFile>
#include <QLocale>
#include <cerrno>

#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"

namespace {
// Single precision as text: up to seven significant digits, the locale's separator.
QString singleText(float v) {
  QLocale loc = QLocale::system();
  loc.setNumberOptions(QLocale::OmitGroupSeparator);
  return loc.toString(double(v), 'g', 7);
}
}  // namespace

Result<> appendToLog(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::Append) || f.write(bytes) != bytes.size()) return Failure(f.errorString());
  return {};
}

QString formatLogTime(const QDateTime& local) { return local.toString(kQtDateTimeFormat); }

QString socketStateName(int state) {
  static const char* const kNames[] = {"sckClosed",         "sckOpen",         "sckListening",
                                       "sckConnectionPending", "sckResolvingHost", "sckHostResolved",
                                       "sckConnecting",     "sckConnected",    "sckClosing",
                                       "sckError"};
  return state >= 0 && state <= 9 ? QString::fromLatin1(kNames[state]) : QStringLiteral("undefined");
}

QString webLogEntry(const QDateTime& now, const WebLogSocket& s, const WebCounters& c, int event, const QString& text) {
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
  e += QStringLiteral("  [") + QString::number(c.requests) + u' ' + QString::number(c.accepts) + u' ' +
       QString::number(c.active) + u' ' + QString::number(c.peak) + QStringLiteral("]  ") + s.remoteIP +
       u':' + QString::number(s.remotePort);
  if (event == 1) e += text + kCrLf;
  else if (known) e += kCrLf + text + kCrLf;
  else e += kCrLf + QStringLiteral("undefined wsEvent = ") + QString::number(event) + kCrLf + text + kCrLf;
  e += QString(80, QChar::fromLatin1(known ? kSeparators[event] : '!')) + kCrLf + kCrLf;
  return e;
}

QString webErrorReport(const QDateTime& now, const QString& appName, const QString& procedure, int number,
                       const QString& description) {
  return formatLogTime(now) + kCrLf + QStringLiteral("  Zav Error Source = ") + appName + kCrLf +
         QStringLiteral("  Zav Error Procedure = ") + procedure + kCrLf + QStringLiteral("  Zav Error LastDllError = ") +
         QString::number(errno) + kCrLf + QStringLiteral("  Zav Error Number = ") + QString::number(number) + kCrLf +
         QStringLiteral("  Zav Error Description = ") + description + kCrLf;
}
