// Minimal start until the start-up sequence lands.
#include "core/startup.h"

#include "core/app_windows.h"

namespace {
QStringList g_args;
}

void setCommandLineArgs(const QStringList& args) { g_args = args; }

QVector<QString> splitCommandLine(const QString&, int) { return {QString()}; }

void getCmdArgs() {}

void Main() {
  getCmdArgs();
  loadSetupWindowHidden();
  showMainWindow();
}
