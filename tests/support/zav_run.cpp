#include "support/zav_run.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/sanitizer_report.h"

ZavRun runZavUntilStarted(const QStringList& args, const QString& workDir,
                          const QProcessEnvironment& extraEnv, int timeoutMs) {
  QTemporaryDir tmp;
  const QString logPath = tmp.filePath("zav-log.txt");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ZAV_LOG_FILE", logPath);
  env.insert("ZAV_HEADLESS", "1");
  env.insert("ZAV_QUIT_AFTER_START", "1");
  if (!env.contains("QT_QPA_PLATFORM")) env.insert("QT_QPA_PLATFORM", "offscreen");
  for (const QString& k : extraEnv.keys()) env.insert(k, extraEnv.value(k));

  QProcess p;
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(workDir.isEmpty() ? tmp.path() : workDir);
  p.start(QStringLiteral(ZAV_BINARY), args);
  ZavRun r;
  r.finished = p.waitForFinished(timeoutMs);
  if (!r.finished) {
    p.kill();
    p.waitForFinished();
  }
  r.exitCode = p.exitCode();
  r.stdErr = QString::fromLocal8Bit(p.readAllStandardError());
  expectNoSanitizerReport(r.stdErr);
  QFile f(logPath);
  if (f.open(QIODevice::ReadOnly)) {
    r.log = QString::fromUtf8(f.readAll()).split(u'\n');
    if (!r.log.isEmpty() && r.log.last().isEmpty()) r.log.removeLast();
  }
  return r;
}
