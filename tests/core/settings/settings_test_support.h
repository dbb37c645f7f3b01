#pragma once
// One setup window for the whole test binary, loaded without an INI file and
// with its default directory in a private temporary folder.

#include <QDir>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "support/link_processes.h"  // readTextFile, writeTextFile

inline QString settingsTestDir() {
  static QTemporaryDir dir;
  return dir.path() + u'/';
}

// What Main() finds for a program in the private folder.
inline StartValues testStartValues() {
  StartValues start;
  start.appName = QStringLiteral("Zav");
  start.defDirName = settingsTestDir();
  return start;
}

// The settings the rules made.
inline const Settings& settingsNow() { return setupValues().settings(); }

inline SetupWindow& setupWindowForTest() {
  if (!frmSetup()) {
    auto* w = new SetupWindow;
    w->formLoad(testStartValues(), false);
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
  SetupValues& v = setupValues();
  v.takeStartValues(testStartValues());
  v.applySetupSettings(true);
  writeTextFile(v.settings().iniFileName, ini);
  v.loadAtStart(true);
  return v;
}
