#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "support/log_capture.h"
#include "tests/core/settings/settings_test_support.h"

namespace {
int32_t foreColor(QWidget* w) { return w->property("foreColor").toInt(); }
void type(int field, const char* text) { frmSetup()->Text1(field)->setText(QString::fromUtf8(text)); }
}  // namespace

TEST(SetupFields, LenientFieldReadsCommaAsPointAndDropsBlanks) {
  freshSetup();
  for (const auto& [text, value] :
       {std::pair<const char*, double>{"1,5", 1.5}, {"1 000", 1000}, {"1,000.5", 1}, {"", 0}}) {
    type(17, text);
    EXPECT_DOUBLE_EQ(settingsNow().minUpdateInterval, value) << text;
  }
  EXPECT_EQ(frmSetup()->Text1(31)->text(), "0");
}

TEST(SetupFields, TwinTakesTheTypedValueAndBothShowNormal) {
  SetupWindow& w = freshSetup();
  type(13, "300");
  ASSERT_EQ(w.Text1(15)->text(), "300");
  type(15, "400");
  EXPECT_EQ(w.Text1(13)->text(), "400");
  EXPECT_DOUBLE_EQ(settingsNow().revsPerkWh, 400);
  EXPECT_EQ(foreColor(w.Text1(13)), logColourNormal);
  EXPECT_EQ(foreColor(w.Text1(15)), logColourNormal);
  EXPECT_EQ(w.Text5(0)->text(), "9,000");  // 3600000 / 400
}

TEST(SetupFields, RejectedTwinValueKeepsGlobalAndShowsError) {
  SetupWindow& w = freshSetup();
  type(15, "");
  EXPECT_EQ(foreColor(w.Text1(15)), logColourError);
  EXPECT_DOUBLE_EQ(settingsNow().revsPerkWh, 1000);
  EXPECT_EQ(w.Text1(13)->text(), "1000");
  type(24, "0,05");
  EXPECT_EQ(foreColor(w.Text1(24)), logColourError);
  EXPECT_DOUBLE_EQ(settingsNow().maxMeterPower, 8000);
  type(24, "0,1");
  EXPECT_DOUBLE_EQ(settingsNow().maxMeterPower, 0.1);
  EXPECT_EQ(w.Text1(16)->text(), "0.1");
}

TEST(SetupFields, EveryRowIsFoundByItsControlAndEveryTwinNamesItsTwinBack) {
  for (const IniKey& row : iniKeys()) {
    const QString control = QString::fromLatin1(row.control);
    if (!control.isEmpty()) {
      EXPECT_EQ(findControlRow(control), &row) << qPrintable(control);
    }
    const bool twin = row.rules.rule == FieldRule::Twin || row.rules.rule == FieldRule::TwinInRange;
    if (!twin) continue;
    ASSERT_NE(twinRow(row), nullptr) << qPrintable(control);
    EXPECT_EQ(twinRow(*twinRow(row)), &row) << qPrintable(control);
    if (row.rules.rule != FieldRule::TwinInRange) continue;
    // Both fields refuse the same values.
    EXPECT_EQ(twinRow(row)->rules.rule, FieldRule::TwinInRange) << qPrintable(control);
    EXPECT_EQ(twinRow(row)->lo, row.lo) << qPrintable(control);
    EXPECT_EQ(twinRow(row)->hi, row.hi) << qPrintable(control);
  }
}

TEST(SetupFields, PrescaleIsClampedAndRoundedDown) {
  freshSetup();
  const std::pair<const char*, int> cases[] = {
      {"0", 1}, {"20000", 10000}, {"abc", 1}, {"2.9", 2}, {"2,9", 2}};
  for (const auto& [text, expected] : cases) {
    type(1, text);
    EXPECT_EQ(settingsNow().prescale, expected) << text;
  }
}

TEST(SetupFields, ControllerVersionAliasRoundingAndColourRestore) {
  SetupWindow& w = freshSetup();
  type(19, "17593");
  EXPECT_EQ(settingsNow().ZAVdetectorVer, 24840);
  EXPECT_EQ(w.Text1(19)->text(), "17593");
  type(19, "12,6");
  EXPECT_EQ(settingsNow().ZAVdetectorVer, 13);
  type(19, "1e12");
  EXPECT_EQ(settingsNow().ZAVdetectorVer, 13);
  EXPECT_EQ(foreColor(w.Text1(19)), logColourError);
  type(19, "24840");
  EXPECT_EQ(settingsNow().ZAVdetectorVer, 24840);
  EXPECT_EQ(foreColor(w.Text1(19)), logColourNormal);
}

TEST(SetupFields, BackgroundColourFieldPicksItsTextColour) {
  SetupWindow& w = freshSetup();
  EXPECT_EQ(settingsNow().plotBackgroundColor, 0x80FFFF);
  EXPECT_EQ(w.Text1(27)->property("backColor").toInt(), 0x80FFFF);
  EXPECT_EQ(foreColor(w.Text1(27)), 0);  // 0x80 + 0xFF + 0xFF = 638: black text
  type(27, "000000");
  EXPECT_EQ(settingsNow().plotBackgroundColor, 0);
  EXPECT_EQ(foreColor(w.Text1(27)), 0xFFFFFF);
  type(27, "");
  EXPECT_EQ(settingsNow().plotBackgroundColor, 0);
  type(27, "zz");
  EXPECT_EQ(settingsNow().plotBackgroundColor, 0);
}

TEST(SetupFields, ClockAndDivisorDeriveTicksPerSecond) {
  SetupWindow& w = freshSetup();
  EXPECT_DOUBLE_EQ(settingsNow().ticksPerSec, 125000);
  type(30, "0");
  EXPECT_EQ(foreColor(w.Text1(30)), logColourError);
  EXPECT_DOUBLE_EQ(settingsNow().ticksPerSec, 125000);
  type(29, "62500");
  type(30, "1");
  EXPECT_EQ(w.Text1(11)->text(), "62500");
  EXPECT_DOUBLE_EQ(settingsNow().ticksPerSec, 62500);
  EXPECT_EQ(w.Text5(5)->text(), "16");
}

TEST(SetupFields, LocaleFieldsRejectTextAndRoundHalfToEven) {
  SetupWindow& w = freshSetup();
  type(3, "abc");
  EXPECT_EQ(foreColor(w.Text1(3)), logColourError);
  EXPECT_EQ(msgLevel, 4);
  type(3, "4");
  type(0, "2.5");
  EXPECT_EQ(settingsNow().comPort, 2);
  type(0, "3.5");
  EXPECT_EQ(settingsNow().comPort, 4);
  type(14, " 9600, n,8,1 ");
  EXPECT_EQ(settingsNow().comSetting, "9600,n,8,1");
}

TEST(SetupFields, TextSaveIntervalReadsDaysAndTimesOfDay) {
  SetupWindow& w = freshSetup();
  EXPECT_DOUBLE_EQ(settingsNow().minTextFileSaveInterval, 1.0);  // the factory "1" is one day
  type(28, "1:30");
  EXPECT_DOUBLE_EQ(settingsNow().minTextFileSaveInterval, 0.0625);
  type(28, "nonsense");
  EXPECT_DOUBLE_EQ(settingsNow().minTextFileSaveInterval, 0);
  EXPECT_EQ(foreColor(w.Text1(28)), logColourError);
}

TEST(SetupFields, InterfaceOptionEnablesItsFields) {
  SetupWindow& w = freshSetup();
  for (int option : {0, 2}) {
    w.option("Option1", option)->setChecked(true);
    EXPECT_EQ(settingsNow().ifType, option);
    for (const char* n :
         {"Text1(0)", "Text1(14)", "Text1(19)", "Text1(20)", "Label1(0)", "Label1(15)", "Label1(20)"})
      EXPECT_EQ(w.control(n)->isEnabled(), option == 2) << n;
  }
  for (int option : {0, 1}) {
    w.option("Option3", option)->setChecked(true);
    EXPECT_EQ(w.Text1(2)->isEnabled(), option == 1);
  }
}

TEST(SetupFields, MouseMeasureBitsCountOnlyTickedBoxes) {
  SetupWindow& w = freshSetup();
  LogCapture log;
  for (int i = 0; i < 6; ++i)
    w.Check5(i)->setCheckState(i == 0 || i == 2 || i == 5 ? Qt::Checked : Qt::Unchecked);
  EXPECT_EQ(settingsNow().mouseMeasureFlags, 37);
  EXPECT_TRUE(log.contains("setCheckedBits: Relative Used Energy=5  destVariable=37"));
  EXPECT_FALSE(log.contains("ERROR setCheckedBits"));  // what was stored is a detail, not a failure
  w.Check5(1)->setCheckState(Qt::PartiallyChecked);    // grey does not count
  EXPECT_EQ(settingsNow().mouseMeasureFlags, 37);
}

TEST(SetupFields, UseBoxesSwitchValueTypes) {
  SetupWindow& w = freshSetup();
  w.Check11(0)->setCheckState(Qt::Checked);
  EXPECT_EQ(settingsNow().vtEnergy.title, "Energikostnad");
  EXPECT_EQ(settingsNow().vtEnergy.decimals, 2);
  w.Check11(1)->setCheckState(Qt::PartiallyChecked);
  EXPECT_EQ(settingsNow().vtPower.title, "Power");
  EXPECT_EQ(settingsNow().vtPower.description, "Energy consumption / hour");
  w.Check11(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(settingsNow().vtEnergy.unit, "Wh");
  type(35, "70000");
  EXPECT_EQ(foreColor(w.Text1(35)), logColourError);
}

TEST(SetupWindowState, AdvancedFunctionsShowsItsControls) {
  SetupWindow& w = freshSetup();
  w.show();
  EXPECT_FALSE(w.control("Frame11")->isVisible());
  w.Check1(2)->setCheckState(Qt::Checked);
  EXPECT_TRUE(settingsNow().advancedFunctions);
  for (const QString& n : advancedControls()) EXPECT_FALSE(w.control(n)->isHidden()) << qPrintable(n);
  w.Check1(2)->setCheckState(Qt::Unchecked);
  EXPECT_TRUE(w.control("txtWebRoot")->isHidden());
  w.hide();
}

TEST(SetupWindowState, DebugModeShowsTabsAndCheck7FlipsItsSign) {
  SetupWindow& w = setupWindowForTest();
  setupValues().setDebugMode(1);
  w.setDebugMode();
  EXPECT_FALSE(w.tabAvailable("AppLog"));
  EXPECT_TRUE(w.control("Frame9")->isHidden());
  setupValues().setDebugMode(3);
  w.Check7()->setCheckState(Qt::Checked);
  w.setDebugMode();
  EXPECT_TRUE(w.tabAvailable("AppLog"));
  EXPECT_TRUE(w.tabAvailable("Detector Setup"));
  EXPECT_FALSE(w.Text1(3)->isHidden());
  w.Check7()->setCheckState(Qt::Unchecked);
  EXPECT_EQ(settingsNow().debugMode, -3);
  EXPECT_FALSE(w.tabAvailable("AppLog"));
  w.Check7()->setCheckState(Qt::Checked);
  EXPECT_EQ(settingsNow().debugMode, 3);
  EXPECT_EQ(w.Check7()->toolTip(), "debugMode = 3");
  setupValues().setDebugMode(0);
  w.setDebugMode();
}

TEST(SetupWindowState, OnLineLocksTheMeterSettings) {
  SetupWindow& w = setupWindowForTest();
  setupValues().meterOnOflineChanged(true);
  for (const char* n :
       {"Command1(3)", "Command1(2)", "Command1(0)", "Text2(2)", "Check8(0)", "Frame1", "Text1(13)"})
    EXPECT_FALSE(w.control(n)->isEnabled()) << n;
  EXPECT_TRUE(w.Command1(1)->isEnabled());
  setupValues().meterOnOflineChanged(false);
  EXPECT_TRUE(w.control("Frame1")->isEnabled());
}

TEST(SetupWindowState, ClosingOnlyHides) {
  SetupWindow& w = setupWindowForTest();
  w.show();
  w.close();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(frmSetup(), &w);
}

TEST(SetupWindowState, UserClicksTickAndClearWithoutGrey) {
  QCheckBox* b = freshSetup().Check1(0);
  b->click();
  EXPECT_EQ(b->checkState(), Qt::Checked);
  b->click();
  EXPECT_EQ(b->checkState(), Qt::Unchecked);
  b->setCheckState(Qt::PartiallyChecked);  // code may still set grey
  b->click();
  EXPECT_EQ(b->checkState(), Qt::Checked);
  b->setCheckState(Qt::Unchecked);
}

TEST(SignedTimeText, DaysAndTimesWithSign) {
  EXPECT_DOUBLE_EQ(parseSignedTimeText("1 12:00"), 1.5);
  EXPECT_DOUBLE_EQ(parseSignedTimeText("- 0,5"), -0.5);
  EXPECT_DOUBLE_EQ(parseSignedTimeText("+6:00"), 0.25);
  EXPECT_DOUBLE_EQ(parseSignedTimeText("2 xx"), 0);
  EXPECT_EQ(formatSignedTimeText(0), generalDate(0));
  EXPECT_TRUE(formatSignedTimeText(-1.5).startsWith("-1 "));
  EXPECT_TRUE(formatSignedTimeText(0.25).startsWith("+"));
}

TEST(SetupWindowState, FalvorHidesComSettingAndAdvancedFunctions) {
  SetupWindow& first = setupWindowForTest();
  StartValues falvor = testStartValues();
  falvor.appName = "Falvor";
  {
    QPixmap brand(16, 16);
    brand.fill(Qt::red);
    const QIcon icon(brand);
    SetupWindow other;
    other.formLoad(falvor, false, icon);
    EXPECT_EQ(other.windowIcon().cacheKey(), icon.cacheKey());  // the brand's icon, handed in
    other.show();
    for (const char* n : {"Label1(15)", "Text1(14)", "Check1(2)"})
      EXPECT_TRUE(other.control(n)->isHidden()) << n;
    EXPECT_EQ(frmSetup(), &first);
  }
  setupValues().takeStartValues(testStartValues());
  freshSetup();
}
