#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "core/globals.h"
#include "core/settings/factory_defaults.h"
#include "tests/core/settings/fake_setup_controls.h"
#include "tests/core/settings/settings_test_support.h"

TEST(FactoryDefaults, ControlsAreWrittenInTheirFixedOrder) {
  FakeSetupControls c;
  for (const char* g : {"Option1", "Option2", "Option3", "Option5", "Option6", "Option7"}) c.counts[g] = 10;
  applyFactoryDefaults(
      c, {.defDir = "/d/", .exeBase = "zav", .exeDir = "/x", .currentDir = "/cwd", .appLogPath = ""});
  // Written by hand in the order the defaults are applied, one "control=value" a line.
  EXPECT_EQ((c.writes.join(u'\n') + u'\n').toStdString(),
            readTextFile(ZAV_TEST_DATA_DIR "/settings/factory_defaults_writes.txt").toStdString());
  EXPECT_EQ(c.held.pricePerkWh, "1.00");
  EXPECT_EQ(c.held.zavPlotFileName, "/d/zavPlot.PNG");
  EXPECT_EQ(c.held.defaultWebRoot, "/x/public_html/");
  EXPECT_EQ(c.held.pointTextBackColor, 0xC0FFFF);
  EXPECT_TRUE(c.held.writeToZAVdataFile && c.held.writeToZAVtextFile && !c.held.savePlotToPicFile);
}

TEST(FactoryDefaults, TwinOrderLeavesFullScaleAt8000) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  EXPECT_DOUBLE_EQ(setup.values.settings().maxMeterPower, 8000);
  EXPECT_EQ(w.Text1(16)->text(), "8000");
  EXPECT_EQ(w.Text1(24)->text(), "8000");
  EXPECT_DOUBLE_EQ(setup.values.settings().revsPerkWh, 1000);
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 125000);
  EXPECT_DOUBLE_EQ(setup.values.settings().WsPerCount, 3600);
  EXPECT_EQ(w.Text1(29)->property("foreColor").toInt(), logColourNormal);
  EXPECT_EQ(setup.values.settings().mouseMeasureFlags, 35);
}

TEST(FactoryDefaults, RestoreKeepsTheControlsItDoesNotName) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
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
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 50000);
  EXPECT_EQ(w.Text1(25)->text(), "600");
  w.Check5(2)->setCheckState(Qt::Unchecked);
  w.Check1(8)->setCheckState(Qt::Unchecked);
  w.Text1(4)->setText("");
  w.Text1(11)->setText("125000");
}

TEST(FactoryDefaults, ReapplyingChangesNoControl) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  w.Text1(11)->setText("40000");
  setup.values.applySetupSettings(false);
  EXPECT_EQ(w.Text1(11)->text(), "40000");
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 40000);
  w.Text1(11)->setText("125000");
}
