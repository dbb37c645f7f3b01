// The settings driven with no setup window: the INI file applied, the values
// read, saved and compared with golden bytes written by hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "core/settings/ini_writer.h"
#include "core/settings/setup_values.h"
#include "tests/core/settings/settings_test_support.h"

TEST(SettingsWithoutWindow, IniFileAppliedReadAndSavedAsGoldenBytes) {
  SetupValues v;
  startWithoutWindow(
      v,
      "comPort=5\r\nprescale=10\r\nvtUsrPowerUnit=\"kr/m\xC3\xA5n\"\r\ncountsPerkWh=375\r\n"
      "maxMeterPower=12000\r\nifType=1\r\nplotWidth=0800\r\noverWriteLast=1\r\nringBell=yes\r\n"
      "startOnLine=0\r\nrunWebServer=0\r\nviewRange=5.7\r\npricePerkWh=\" 2,50 \"\r\n");

  EXPECT_EQ(v.settings().comPort, 5);
  EXPECT_EQ(v.settings().prescale, 10);
  EXPECT_DOUBLE_EQ(v.settings().revsPerkWh, 375);
  EXPECT_DOUBLE_EQ(v.settings().WsPerCount, 96000);  // 3600000 / (1 * 375 / 10)
  EXPECT_DOUBLE_EQ(v.settings().maxMeterPower, 12000);
  EXPECT_EQ(v.text("Text1(24)"), "12000");  // the twin follows
  EXPECT_EQ(v.settings().ifType, 1);
  EXPECT_TRUE(v.settings().overWriteLast);
  EXPECT_TRUE(v.settings().ringBell);
  EXPECT_FALSE(v.settings().startOnLine);
  EXPECT_FALSE(v.settings().runWebServer);
  EXPECT_EQ(v.sliderValue(), 5);
  EXPECT_EQ(v.settings().viewRange, 5);    // what the chart reads
  EXPECT_EQ(v.settings().plotWidth, 800);  // the chart's picture size
  EXPECT_EQ(v.settings().plotHeight, 400);
  EXPECT_EQ(v.settings().pricePerkWh, " 2,50 ");
  EXPECT_EQ(v.settings().vtPower.unit, "W");  // the user-defined unit is not in use

  const QString saved = settingsTestDir() + "headless.INI";
  ASSERT_TRUE(saveIniFile(saved, v));
  QByteArray bytes = readTextFile(saved);
  bytes = bytes.mid(bytes.indexOf("\r\n") + 2);
  QByteArray golden = readTextFile(QStringLiteral(ZAV_TEST_DATA_DIR "/ini/headless_after_line1.ini"));
  golden.replace("@DIR@", settingsTestDir().toUtf8());
  golden.replace("@CWD@", QDir::currentPath().toUtf8());
  // The INI and help files are named after the test binary.
  golden.replace("@EXE@", QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUtf8());
  EXPECT_EQ(bytes.toStdString(), golden.toStdString());

  for (QWidget* w : QApplication::allWidgets()) EXPECT_NE(w->objectName(), "Text1(0)");
}
