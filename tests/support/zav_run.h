#pragma once
// Runs the built zav once, headless, until start-up is done, and returns what
// it logged (ZAV_LOG_FILE) and its exit code.

#include <QProcessEnvironment>
#include <QStringList>

struct ZavRun {
  int exitCode = -1;
  bool finished = false;
  QStringList log;  // ZAV_LOG_FILE, one entry per line
  QString stdErr;
};

ZavRun runZavUntilStarted(const QStringList& args, const QString& workDir = QString(),
                          const QProcessEnvironment& extraEnv = QProcessEnvironment(), int timeoutMs = 30000);
