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
#include "tests/core/settings/fake_setup_controls.h"
#include "tests/core/settings/settings_test_support.h"

namespace {
int32_t foreColor(QWidget* w) { return w->property("foreColor").toInt(); }
void type(SetupWindow& w, int field, const char* text) { w.Text1(field)->setText(QString::fromUtf8(text)); }
}  // namespace

TEST(SetupFields, LenientFieldReadsCommaAsPointAndDropsBlanks) {
  SetupForTest setup;
  for (const auto& [text, value] :
       {std::pair<const char*, double>{"1,5", 1.5}, {"1 000", 1000}, {"1,000.5", 1}, {"", 0}}) {
    type(setup.window, 17, text);
    EXPECT_DOUBLE_EQ(setup.values.settings().minUpdateInterval, value) << text;
  }
  EXPECT_EQ(setup.window.Text1(31)->text(), "0");
}

TEST(SetupFields, TwinTakesTheTypedValueAndBothShowNormal) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  type(w, 13, "300");
  ASSERT_EQ(w.Text1(15)->text(), "300");
  type(w, 15, "400");
  EXPECT_EQ(w.Text1(13)->text(), "400");
  EXPECT_DOUBLE_EQ(setup.values.settings().revsPerkWh, 400);
  EXPECT_EQ(foreColor(w.Text1(13)), logColourNormal);
  EXPECT_EQ(foreColor(w.Text1(15)), logColourNormal);
  EXPECT_EQ(w.Text5(0)->text(), "9,000");  // 3600000 / 400
}

TEST(SetupFields, RejectedTwinValueKeepsGlobalAndShowsError) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  type(w, 15, "");
  EXPECT_EQ(foreColor(w.Text1(15)), logColourError);
  EXPECT_DOUBLE_EQ(setup.values.settings().revsPerkWh, 1000);
  EXPECT_EQ(w.Text1(13)->text(), "1000");
  type(w, 24, "0,05");
  EXPECT_EQ(foreColor(w.Text1(24)), logColourError);
  EXPECT_DOUBLE_EQ(setup.values.settings().maxMeterPower, 8000);
  type(w, 24, "0,1");
  EXPECT_DOUBLE_EQ(setup.values.settings().maxMeterPower, 0.1);
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
  SetupForTest setup;
  const std::pair<const char*, int> cases[] = {
      {"0", 1}, {"20000", 10000}, {"abc", 1}, {"2.9", 2}, {"2,9", 2}};
  for (const auto& [text, expected] : cases) {
    type(setup.window, 1, text);
    EXPECT_EQ(setup.values.settings().prescale, expected) << text;
  }
}

TEST(SetupFields, ControllerVersionAliasRoundingAndColourRestore) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  type(w, 19, "17593");
  EXPECT_EQ(setup.values.settings().ZAVdetectorVer, 24840);
  EXPECT_EQ(w.Text1(19)->text(), "17593");
  type(w, 19, "12,6");
  EXPECT_EQ(setup.values.settings().ZAVdetectorVer, 13);
  type(w, 19, "1e12");
  EXPECT_EQ(setup.values.settings().ZAVdetectorVer, 13);
  EXPECT_EQ(foreColor(w.Text1(19)), logColourError);
  type(w, 19, "24840");
  EXPECT_EQ(setup.values.settings().ZAVdetectorVer, 24840);
  EXPECT_EQ(foreColor(w.Text1(19)), logColourNormal);
}

TEST(SetupFields, BackgroundColourFieldPicksItsTextColour) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  EXPECT_EQ(setup.values.settings().plotBackgroundColor, 0x80FFFF);
  EXPECT_EQ(w.Text1(27)->property("backColor").toInt(), 0x80FFFF);
  EXPECT_EQ(foreColor(w.Text1(27)), 0);  // 0x80 + 0xFF + 0xFF = 638: black text
  type(w, 27, "000000");
  EXPECT_EQ(setup.values.settings().plotBackgroundColor, 0);
  EXPECT_EQ(foreColor(w.Text1(27)), 0xFFFFFF);
  type(w, 27, "");
  EXPECT_EQ(setup.values.settings().plotBackgroundColor, 0);
  type(w, 27, "zz");
  EXPECT_EQ(setup.values.settings().plotBackgroundColor, 0);
}

TEST(SetupFields, ClockAndDivisorDeriveTicksPerSecond) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 125000);
  type(w, 30, "0");
  EXPECT_EQ(foreColor(w.Text1(30)), logColourError);
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 125000);
  type(w, 29, "62500");
  type(w, 30, "1");
  EXPECT_EQ(w.Text1(11)->text(), "62500");
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 62500);
  EXPECT_EQ(w.Text5(5)->text(), "16");
}

TEST(SetupFields, LocaleFieldsRejectTextAndRoundHalfToEven) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  type(w, 3, "abc");
  EXPECT_EQ(foreColor(w.Text1(3)), logColourError);
  EXPECT_EQ(msgLevel, 4);
  type(w, 3, "4");
  type(w, 0, "2.5");
  EXPECT_EQ(setup.values.settings().comPort, 2);
  type(w, 0, "3.5");
  EXPECT_EQ(setup.values.settings().comPort, 4);
  type(w, 14, " 9600, n,8,1 ");
  EXPECT_EQ(setup.values.settings().comSetting, "9600,n,8,1");
}

TEST(SetupFields, TextSaveIntervalReadsDaysAndTimesOfDay) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  EXPECT_DOUBLE_EQ(setup.values.settings().minTextFileSaveInterval, 1.0);  // the factory "1" is one day
  type(w, 28, "1:30");
  EXPECT_DOUBLE_EQ(setup.values.settings().minTextFileSaveInterval, 0.0625);
  type(w, 28, "nonsense");
  EXPECT_DOUBLE_EQ(setup.values.settings().minTextFileSaveInterval, 0);
  EXPECT_EQ(foreColor(w.Text1(28)), logColourError);
}

TEST(SetupFields, InterfaceOptionEnablesItsFields) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  for (int option : {0, 2}) {
    w.option("Option1", option)->setChecked(true);
    EXPECT_EQ(setup.values.settings().ifType, option);
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
  SetupForTest setup;
  SetupWindow& w = setup.window;
  LogCapture log;
  for (int i = 0; i < 6; ++i)
    w.Check5(i)->setCheckState(i == 0 || i == 2 || i == 5 ? Qt::Checked : Qt::Unchecked);
  EXPECT_EQ(setup.values.settings().mouseMeasureFlags, 37);
  EXPECT_TRUE(log.contains("setCheckedBits: Relative Used Energy=5  destVariable=37"));
  EXPECT_FALSE(log.contains("ERROR setCheckedBits"));  // what was stored is a detail, not a failure
  w.Check5(1)->setCheckState(Qt::PartiallyChecked);    // grey does not count
  EXPECT_EQ(setup.values.settings().mouseMeasureFlags, 37);
}

// With none selected nothing changes and nothing is logged; the stored position is a detail, no error.
TEST(SetupFields, SetOptionValueStoresTheSelectedButtonsPosition) {
  FakeSetupControls c;
  c.counts["Option2"] = 3;
  c.held.reduceMethod = 7;
  SetupFields fields(c);
  LogCapture log;
  fields.setOptionValue("Option2", &Settings::reduceMethod);
  EXPECT_EQ(c.held.reduceMethod, 7);
  c.setValue("Option2(2)", 1);
  fields.setOptionValue("Option2", &Settings::reduceMethod);
  EXPECT_EQ(c.held.reduceMethod, 2);
  EXPECT_EQ(log.text().trimmed(), "setOptionValue: Option2(2) = 2 = 2");
}

TEST(SetupFields, UseBoxesSwitchValueTypes) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  w.Check11(0)->setCheckState(Qt::Checked);
  EXPECT_EQ(setup.values.settings().vtEnergy.title, "Energikostnad");
  EXPECT_EQ(setup.values.settings().vtEnergy.decimals, 2);
  w.Check11(1)->setCheckState(Qt::PartiallyChecked);
  EXPECT_EQ(setup.values.settings().vtPower.title, "Power");
  EXPECT_EQ(setup.values.settings().vtPower.description, "Energy consumption / hour");
  w.Check11(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(setup.values.settings().vtEnergy.unit, "Wh");
  type(w, 35, "70000");
  EXPECT_EQ(foreColor(w.Text1(35)), logColourError);
}

TEST(SetupWindowState, AdvancedFunctionsShowsItsControls) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  w.show();
  EXPECT_FALSE(w.control("Frame11")->isVisible());
  w.Check1(2)->setCheckState(Qt::Checked);
  EXPECT_TRUE(setup.values.settings().advancedFunctions);
  for (const QString& n : advancedControls()) EXPECT_FALSE(w.control(n)->isHidden()) << qPrintable(n);
  w.Check1(2)->setCheckState(Qt::Unchecked);
  EXPECT_TRUE(w.control("txtWebRoot")->isHidden());
  w.hide();
}

TEST(SetupWindowState, DebugModeShowsTabsAndCheck7FlipsItsSign) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  setup.values.setDebugMode(1);
  w.setDebugMode();
  EXPECT_FALSE(w.tabAvailable("AppLog"));
  EXPECT_TRUE(w.control("Frame9")->isHidden());
  setup.values.setDebugMode(3);
  w.Check7()->setCheckState(Qt::Checked);
  w.setDebugMode();
  EXPECT_TRUE(w.tabAvailable("AppLog"));
  EXPECT_TRUE(w.tabAvailable("Detector Setup"));
  EXPECT_FALSE(w.Text1(3)->isHidden());
  w.Check7()->setCheckState(Qt::Unchecked);
  EXPECT_EQ(setup.values.settings().debugMode, -3);
  EXPECT_FALSE(w.tabAvailable("AppLog"));
  w.Check7()->setCheckState(Qt::Checked);
  EXPECT_EQ(setup.values.settings().debugMode, 3);
  EXPECT_EQ(w.Check7()->toolTip(), "debugMode = 3");
  setup.values.setDebugMode(0);
  w.setDebugMode();
}

TEST(SetupWindowState, OnLineLocksTheMeterSettings) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  setup.values.meterOnOflineChanged(true);
  for (const char* n :
       {"Command1(3)", "Command1(2)", "Command1(0)", "Text2(2)", "Check8(0)", "Frame1", "Text1(13)"})
    EXPECT_FALSE(w.control(n)->isEnabled()) << n;
  EXPECT_TRUE(w.Command1(1)->isEnabled());
  setup.values.meterOnOflineChanged(false);
  EXPECT_TRUE(w.control("Frame1")->isEnabled());
}

TEST(SetupWindowState, ClosingOnlyHides) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  w.show();
  w.close();
  EXPECT_FALSE(w.isVisible());
}

TEST(SetupWindowState, UserClicksTickAndClearWithoutGrey) {
  SetupForTest setup;
  QCheckBox* b = setup.window.Check1(0);
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
  StartValues falvor = testStartValues();
  falvor.appName = "Falvor";
  QPixmap brand(16, 16);
  brand.fill(Qt::red);
  const QIcon icon(brand);
  SetupValues values;
  SetupWindow other(values);
  other.formLoad(falvor, false, icon);
  EXPECT_EQ(other.windowIcon().cacheKey(), icon.cacheKey());  // the brand's icon, handed in
  other.show();
  for (const char* n : {"Label1(15)", "Text1(14)", "Check1(2)"})
    EXPECT_TRUE(other.control(n)->isHidden()) << n;
}
