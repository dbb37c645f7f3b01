// Minimal start until the start-up sequence lands.
#include "core/startup.h"

#include <QMainWindow>

namespace {
QStringList g_args;
}

void setCommandLineArgs(const QStringList& args) { g_args = args; }

QVector<QString> splitCommandLine(const QString&, int) { return {QString()}; }

void getCmdArgs() {}

void Main() {
  auto* w = new QMainWindow;
  w->setObjectName(QStringLiteral("Form1"));
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->resize(640, 480);
  w->show();
}
