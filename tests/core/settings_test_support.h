#pragma once
// One setup window for the whole test binary, loaded without an INI file and
// with its default directory in a private temporary folder.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/setup_window.h"

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
  w.applySetupSettings(true);
  return w;
}

inline QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}
