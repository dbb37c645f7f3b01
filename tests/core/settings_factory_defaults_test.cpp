#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "core/factory_defaults.h"
#include "core/globals.h"
#include "fake_setup_controls.h"
#include "settings_test_support.h"
#include "web/web_services.h"

TEST(FactoryDefaults, ControlsAreWrittenInTheirFixedOrder) {
  FakeSetupControls c;
  for (const char* g : {"Option1", "Option2", "Option3", "Option5", "Option6", "Option7"}) c.counts[g] = 10;
  applyFactoryDefaults(c, {"/d/", "zav", "/x", "/cwd", ""});
  const QStringList expected = {"Text2(0)=/cwd",
                                "Text2(1)=/d/zav.INI",
                                "Text2(2)=/d/pwrData.ZAV",
                                "Text2(3)=/d/pwrData.ZAV",
                                "Text2(4)=/d/zav.HLP",
                                "Text2(5)=/d/zavLog.TXT",
                                "Text2(6)=",
                                "Text2(7)=/d/zavPlot.PNG",
                                "Text1(27)=80 FF FF",
                                "Text1(28)=1",
                                "Text1(3)=4",
                                "Text1(13)=",
                                "Text1(0)=",
                                "Text1(14)=",
                                "Text1(19)=24840",
                                "Text1(20)=0",
                                "Text1(25)=600",
                                "Text1(26)=400",
                                "Option1(1)=1",
                                "Option1(2)=1",
                                "Option2(1)=1",
                                "Check1(0)=0",
                                "Check1(1)=1",
                                "Check1(2)=0",
                                "Check1(3)=0",
                                "Check1(4)=0",
                                "Check1(5)=0",
                                "Check1(6)=0",
                                "Check1(7)=1",
                                "Check1(10)=0",
                                "Check9=0",
                                "cheLogging=0",
                                "Text18=",
                                "txtWebRoot=",
                                "txtWebRoot.tip=Leave empty to use default: /x/public_html/",
                                "txtWebLogFile=",
                                "txtWebLogFile.tip=Leave empty to use default: /x/webserver.log",
                                "Check8(0)=1",
                                "Check8(1)=1",
                                "Check8(2)=0",
                                "Text1(15)=1000",
                                "Text1(12)=1",
                                "Text1(1)=1",
                                "Text1(29)=1000000",
                                "Text1(30)=8",
                                "Text1(16)=40000",
                                "Text1(17)=6",
                                "Text1(18)=12",
                                "Text1(5)=8000",
                                "Text1(6)=0",
                                "Text1(7)=50",
                                "Text1(8)=-30",
                                "Text1(2)=300",
                                "Option3(2)=1",
                                "Option5(1)=1",
                                "Option6(1)=1",
                                "Option7(3)=1",
                                "Check4(0)=1",
                                "Check4(1)=1",
                                "Check5(0)=1",
                                "Check5(1)=1",
                                "Check5(5)=1",
                                "Text24=",
                                "Slider1=13",
                                "Text1(13)=1000",
                                "Text1(24)=8000",
                                "Check11(0)=0",
                                "Check11(1)=0",
                                "Text1(33)=",
                                "Text1(34)=1",
                                "Text1(35)=0",
                                "Text1(36)=Wh",
                                "Text1(37)=Power",
                                "Text1(38)=1",
                                "Text1(39)=0",
                                "Text1(40)=W",
                                "Text1(41)=Energikostnad",
                                "Text1(42)=0,001",
                                "Text1(43)=2",
                                "Text1(44)=kr",
                                "Text1(45)=Effekt",
                                "Text1(46)=8,766",
                                "Text1(47)=0",
                                QString::fromUtf8("Text1(48)=kr/år")};
  EXPECT_EQ(c.writes, expected);
  EXPECT_EQ(pricePerkWh, "1.00");
  EXPECT_EQ(zavPlotFileName, "/d/zavPlot.PNG");
  EXPECT_EQ(defaultWebRoot, "/x/public_html/");
  EXPECT_EQ(pointTextBackColor, 0xC0FFFF);
  EXPECT_TRUE(writeToZAVdataFile && writeToZAVtextFile && !savePlotToPicFile);
}

TEST(FactoryDefaults, TwinOrderLeavesFullScaleAt8000) {
  SetupWindow& w = freshSetup();
  EXPECT_DOUBLE_EQ(maxMeterPower, 8000);
  EXPECT_EQ(w.Text1(16)->text(), "8000");
  EXPECT_EQ(w.Text1(24)->text(), "8000");
  EXPECT_DOUBLE_EQ(revsPerkWh, 1000);
  EXPECT_DOUBLE_EQ(ticksPerSec, 125000);
  EXPECT_DOUBLE_EQ(WsPerCount, 3600);
  EXPECT_EQ(w.Text1(29)->property("foreColor").toInt(), logColourNormal);
  EXPECT_EQ(ifType, 2);
  EXPECT_EQ(textFileWriteInterval, 3);
  EXPECT_EQ(mousePointerFlags, 3);
  EXPECT_EQ(mouseMeasureFlags, 35);
  EXPECT_EQ(vtPower.title, "Power");
}

TEST(FactoryDefaults, RestoreKeepsTheControlsItDoesNotName) {
  SetupWindow& w = freshSetup();
  w.Check5(2)->setCheckState(Qt::Checked);
  w.Check1(8)->setCheckState(Qt::Checked);
  w.Text1(4)->setText("12");
  w.Text1(11)->setText("50000");
  w.Text1(25)->setText("800");
  w.Command1(3)->click();
  EXPECT_EQ(w.Check5(2)->checkState(), Qt::Checked);
  EXPECT_EQ(w.Check1(8)->checkState(), Qt::Checked);
  EXPECT_EQ(w.Text1(4)->text(), "12");
  EXPECT_EQ(w.Text1(11)->text(), "50000");
  EXPECT_DOUBLE_EQ(ticksPerSec, 50000);
  EXPECT_EQ(w.Text1(25)->text(), "600");
  w.Check5(2)->setCheckState(Qt::Unchecked);
  w.Check1(8)->setCheckState(Qt::Unchecked);
  w.Text1(4)->setText("");
  w.Text1(11)->setText("125000");
}

TEST(FactoryDefaults, ReapplyingChangesNoControl) {
  SetupWindow& w = freshSetup();
  w.Text1(11)->setText("40000");
  w.applySetupSettings(false);
  EXPECT_EQ(w.Text1(11)->text(), "40000");
  EXPECT_DOUBLE_EQ(ticksPerSec, 40000);
  w.Text1(11)->setText("125000");
}
