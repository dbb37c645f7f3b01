#pragma once
// One setup window for the whole test binary, loaded without an INI file and
// with its default directory in a private temporary folder.

#include <QDir>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/settings/settings_globals.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "support/link_processes.h"  // readTextFile, writeTextFile

inline QString settingsTestDir() {
  static QTemporaryDir dir;
  return dir.path() + u'/';
}

inline SetupWindow& setupWindowForTest() {
  if (!frmSetup()) {
    defDirName = settingsTestDir();
    appName = QStringLiteral("Zav");
    auto* w = new SetupWindow;
    w->formLoad(false);
  }
  return *frmSetup();
}

// Factory state again, as "Restore factory defaults" leaves it.
inline SetupWindow& freshSetup() {
  SetupWindow& w = setupWindowForTest();
  setupValues().applySetupSettings(true);
  return w;
}

// Start-up with this INI file and no setup window: factory defaults, which name the
// INI file in the private folder, then the file read and the settings applied.
inline SetupValues& startWithoutWindow(const QByteArray& ini) {
  defDirName = settingsTestDir();
  appName = QStringLiteral("Zav");
  SetupValues& v = setupValues();
  v.takeStartValues();
  v.applySetupSettings(true);
  writeTextFile(v.settings().iniFileName, ini);
  v.loadAtStart(true);
  return v;
}
