#pragma once
// The factory defaults, each row's value of the key table (ini_keys.h), written
// into the setup controls in a fixed order: each write runs that control's rule
// at once, so later rows see the effects of earlier ones (twin fields, clock and
// divisor). The file names, the price and the web root go into the typed settings.

#include <QString>

#include "core/settings/setup_controls.h"

struct IniKey;

struct FactoryPaths {
  QString defDir;      // ends in "/"
  QString exeBase;     // executable's base name, no extension
  QString exeDir;      // executable's directory, no trailing "/"
  QString currentDir;  // current working directory
  QString appLogPath;  // the application log's current path
};

void applyFactoryDefaults(SetupControls& c, const FactoryPaths& p);
// A row's factory value, with the program's paths put in.
QString factoryText(const IniKey& row, const FactoryPaths& p);
// The paths of the running program, with its default folder.
FactoryPaths currentFactoryPaths(const QString& defDir);
// The application log's current path.
QString appLogPath();
