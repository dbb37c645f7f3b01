#include "support/log_capture.h"

#include <unistd.h>

#include <QDir>
#include <QFile>

#include "core/log/logmsg.h"

namespace {
QString capturePath() {
  static const QString path = [] {
    const QString p =
        QDir::tempPath() + QStringLiteral("/zav-test-log-") + QString::number(getpid()) + ".txt";
    // logMsg reads the variable once, at its first message.
    if (qEnvironmentVariableIsEmpty("ZAV_LOG_FILE")) qputenv("ZAV_LOG_FILE", QFile::encodeName(p));
    return QString::fromLocal8Bit(qgetenv("ZAV_LOG_FILE"));
  }();
  return path;
}
const bool kPathSetEarly = !capturePath().isEmpty();
}  // namespace

LogCapture::LogCapture() {
  Q_UNUSED(kPathSetEarly);
  MessageLog::setLevel(5);
  // An empty message window, so its length rule does not lower the level.
  logMsg(0, QString());
  clear();
}

LogCapture::~LogCapture() = default;

QString LogCapture::text() const {
  QFile f(capturePath());
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

void LogCapture::clear() {
  QFile f(capturePath());
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.close();
}
