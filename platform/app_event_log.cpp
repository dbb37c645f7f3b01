#include "platform/app_event_log.h"

#include <syslog.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>

namespace {
QString g_path;
int32_t g_mode = kLogAuto;
bool g_syslogOpen = false;

const char* typeName(int32_t type) {
  switch (type) {
    case 1: return "Error";
    case 2: return "Warning";
    case 4: return "Information";
    default: return "Event";
  }
}

bool toSystem(int32_t mode) { return (mode & 15) == kLogAuto || (mode & 15) == kLogToSystem; }
}  // namespace

Result<> appLogStart(const QString& path, int32_t mode) {
  if ((mode & 15) == kLogToFile) {
    if (path.isEmpty()) return Failure(QStringLiteral("no log file is named"));
    QFile f(path);
    const auto how = (mode & kLogOverwrite) ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::Append;
    // Refused: the old target stays.
    if (!f.open(how))
      return Failure(QStringLiteral("cannot open ") + path + QStringLiteral(": ") + f.errorString());
    g_path = path;
  } else {
    g_path.clear();
  }
  if (toSystem(mode) && !g_syslogOpen) {
    openlog("zav", LOG_PID, LOG_USER);
    g_syslogOpen = true;
  }
  g_mode = mode;
  return {};
}

Result<> appLogEvent(const QString& text, int32_t type) {
  const int32_t target = g_mode & 15;
  if (target == kLogOff) return {};
  QString line = QString::fromLatin1(typeName(type));
  if (g_mode & kLogThreadId) line += QStringLiteral(" [") + QString::number(gettid()) + u']';
  line += QStringLiteral(": ") + text;
  if (target == kLogToFile) {
    QFile f(g_path);
    const QByteArray bytes =
        (QDateTime::currentDateTime().toString(Qt::ISODate) + u' ' + line + QStringLiteral("\r\n")).toUtf8();
    if (!f.open(QIODevice::Append) || f.write(bytes) != bytes.size() || !f.flush())
      return Failure(QStringLiteral("cannot write ") + g_path + QStringLiteral(": ") + f.errorString());
    return {};
  }
  const int priority = type == 1 ? LOG_ERR : type == 2 ? LOG_WARNING : LOG_INFO;
  syslog(priority, "%s", line.toUtf8().constData());
  return {};
}

QString appLogCurrentPath() { return g_path; }
int32_t appLogCurrentMode() { return g_mode; }
