#include "support/zav_run.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "support/sanitizer_report.h"

QString programInFolder(const QString& folder) {
  const QString built = QStringLiteral(ZAV_BINARY);
  const QFileInfo exe(built);
  const QString program = folder + u'/' + exe.fileName();
  if (!QDir().mkpath(folder)) return built;
  if (!QFileInfo::exists(program) &&
      ::link(QFile::encodeName(built).constData(), QFile::encodeName(program).constData()) != 0 &&
      !QFile::copy(built, program)) {
    return built;
  }
  QFile::link(exe.absolutePath() + QStringLiteral("/public_html"), folder + QStringLiteral("/public_html"));
  return program;
}

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
  p.start(programInFolder(tmp.filePath(QStringLiteral("program"))), args);
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
