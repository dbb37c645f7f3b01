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

// The built program placed in `folder` (a hard link, else a copy) with the shipped
// web root beside it: its own folder, where it keeps files when no folder is named
// on its command line, is then a test's temporary folder and never the build folder.
// Returns the program's path there (the built program itself when that fails).
QString programInFolder(const QString& folder);

ZavRun runZavUntilStarted(const QStringList& args, const QString& workDir = QString(),
                          const QProcessEnvironment& extraEnv = QProcessEnvironment(), int timeoutMs = 30000);
