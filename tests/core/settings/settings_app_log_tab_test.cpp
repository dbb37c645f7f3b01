#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "platform/app_event_log.h"
#include "support/log_capture.h"
#include "tests/core/settings/settings_test_support.h"

namespace {
QComboBox* modes(SetupWindow& w) { return qobject_cast<QComboBox*>(w.control("Combo1")); }
}  // namespace

TEST(AppLogTab, LoadSelectsAutomaticModeWithoutCreatingAFile) {
  SetupWindow& w = setupWindowForTest();
  EXPECT_EQ(modes(w)->count(), 4);
  EXPECT_EQ(modes(w)->itemText(3), "VbLogToNT");
  EXPECT_FALSE(QFile::exists("Text10"));
}

TEST(AppLogTab, ModeNumberCombinesListAndFlagsAndIsLogged) {
  SetupWindow& w = setupWindowForTest();
  LogCapture log;
  w.Text2(6)->setText("");
  qobject_cast<QCheckBox*>(w.control("Check2(1)"))->setChecked(1);  // runs setAppLogMode
  modes(w)->setCurrentIndex(1);
  EXPECT_EQ(appLogCurrentMode(), 33);
  EXPECT_TRUE(
      log.contains("setAppLogMode:\n  old appLogPath=\n  old appLogMode=32\n  set appLogPath=\n"
                   "  set appLogMode=33\n  new appLogPath=\n  new appLogMode=33\n"));
  qobject_cast<QCheckBox*>(w.control("Check2(1)"))->setChecked(0);
  modes(w)->setCurrentIndex(0);
}

TEST(AppLogTab, FileTargetTakesEventsAndABadPathIsRefused) {
  SetupWindow& w = setupWindowForTest();
  QTemporaryDir dir;
  const QString path = dir.filePath("app.log");
  w.Text2(6)->setText(path);
  modes(w)->setCurrentIndex(2);
  EXPECT_EQ(appLogCurrentPath(), path);
  w.control("Text3(1)")->setProperty("text", "disk nearly full");
  qobject_cast<QPushButton*>(w.control("Command3(1)"))->click();
  EXPECT_TRUE(readTextFile(path).contains("Warning: disk nearly full"));
  w.control("Text4(1)")->setProperty("text", "2.5");
  qobject_cast<QPushButton*>(w.control("Command3(1)"))->click();
  EXPECT_EQ(readTextFile(path).count("Warning"), 1);

  LogCapture log;
  w.Text2(6)->setText("/nonexistent-folder-for-zav/app.log");
  qobject_cast<QPushButton*>(w.control("Command2"))->click();
  EXPECT_EQ(appLogCurrentPath(), path);  // refused: the old target stays
  EXPECT_EQ(appLogCurrentMode(), 2);
  EXPECT_TRUE(log.contains("setAppLogMode: ERROR cannot open /nonexistent-folder-for-zav/app.log: "));
  // An event the file cannot take is reported, not dropped.
  QFile::remove(path);
  ASSERT_TRUE(QDir(dir.path()).mkdir("app.log"));
  w.control("Text4(1)")->setProperty("text", "4");
  qobject_cast<QPushButton*>(w.control("Command3(1)"))->click();
  EXPECT_TRUE(log.contains("Command3_Click: ERROR cannot write " + path + ": ")) << log.text().toStdString();
  w.control("Text4(1)")->setProperty("text", "2");
  w.Text2(6)->setText("");
  modes(w)->setCurrentIndex(0);
  EXPECT_EQ(appLogCurrentPath(), "");
}
