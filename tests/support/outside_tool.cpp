#include "support/outside_tool.h"

#include <QStandardPaths>

QString outsideTool(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const QString p = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!p.isEmpty()) return p;
  }
  return QString();
}

bool outsideToolsRequired() { return qEnvironmentVariableIntValue("ZAV_REQUIRE_TOOLS") == 1; }
