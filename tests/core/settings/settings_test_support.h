#pragma once
// The settings objects a settings test makes for itself: values with their setup
// window, loaded without an INI file and with the default directory in a private
// temporary folder, or values alone started from an INI file.

#include <QDir>
#include <QTemporaryDir>

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

// Settings values and their setup window, loaded as at start without an INI file, then
// in the factory state, as "Restore factory defaults" leaves it (the web server's box
// clear, whatever "Start with Web Server" asked at the load).
struct SetupForTest {
  SetupForTest() {
    window.formLoad(testStartValues(), false);
    values.applySetupSettings(true);
  }
  SetupValues values;
  SetupWindow window{values};
};

// Start-up with this INI file and no setup window: factory defaults, which name the
// INI file in the private folder, then the file read and the settings applied.
inline void startWithoutWindow(SetupValues& v, const QByteArray& ini) {
  v.takeStartValues(testStartValues());
  v.applySetupSettings(true);
  writeTextFile(v.settings().iniFileName, ini);
  v.loadAtStart(true);
}
