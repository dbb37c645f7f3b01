#include "log_capture.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

namespace {
QString logPath() {
  static const QString path =
      QDir::tempPath() + QStringLiteral("/zav-plot-test-log-%1.txt").arg(static_cast<qint64>(getpid()));
  return path;
}
// Set before main() so the mirror picks it up whenever it is first used.
const bool kLogFileSet = [] {
  QFile::remove(logPath());
  std::atexit([] { QFile::remove(logPath()); });
  qputenv("ZAV_LOG_FILE", logPath().toUtf8());
  return true;
}();
}  // namespace

LogCapture::LogCapture() { m_start = QFileInfo(logPath()).size(); }

QStringList LogCapture::lines() const {
  QFile f(logPath());
  if (!f.open(QIODevice::ReadOnly)) return {};
  f.seek(m_start);
  return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

bool LogCapture::contains(const QString& text) const {
  for (const QString& l : lines())
    if (l.contains(text)) return true;
  return false;
}
