#include "support/headless_env.h"

#include <QFile>

#include "platform/test_log_file.h"

HeadlessLog::HeadlessLog() : m_oldLog(qgetenv("ZAV_LOG_FILE")), m_oldHeadless(qgetenv("ZAV_HEADLESS")) {
  qputenv("ZAV_LOG_FILE", path().toLocal8Bit());
  qputenv("ZAV_HEADLESS", "1");
  reopenTestLogFile();
}

HeadlessLog::~HeadlessLog() {
  auto restore = [](const char* name, const QByteArray& v) {
    if (v.isNull())
      qunsetenv(name);
    else
      qputenv(name, v);
  };
  restore("ZAV_LOG_FILE", m_oldLog);
  restore("ZAV_HEADLESS", m_oldHeadless);
  reopenTestLogFile();
}

QStringList HeadlessLog::lines() const {
  QFile f(path());
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList out = QString::fromUtf8(f.readAll()).split(u'\n');
  if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
  return out;
}
