// The settings as one typed value: produced from the INI file with no setup window,
// announced once per change (also when a rule writes a twin field), the questions
// app/ answers, and the web port's rule as the web server has always read the field.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "core/settings/ini_writer.h"
#include "core/settings/settings.h"
#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window_calls.h"
#include "support/headless_env.h"
#include "tests/core/settings/settings_test_support.h"

namespace {
// Every announcement, in order.
struct Announcements {
  QList<Settings> heard;
  QMetaObject::Connection link = QObject::connect(&settingsEvents(), &SettingsEvents::settingsChanged,
                                                  [this](const Settings& s) { heard << s; });
  ~Announcements() { QObject::disconnect(link); }
};
}  // namespace

TEST(SettingsValue, IniFileGivesTypedSettingsWithoutAWindow) {
  Announcements a;
  SetupValues v;
  startWithoutWindow(
      v,
      "zavDatFileName(1)=\"/data/view.ZAV\"\r\ncomPort=5\r\nprescale=10\r\ncountsPerkWh=375\r\n"
      "msgLevel=6\r\nmaxMeterPower=12000\r\nifType=1\r\nreduceMethod=1\r\nplotWidth=0800\r\n"
      "ticksPerSec=62500\r\nZAVdetectorVer=17593\r\nplotBackgroundColor=\"00 00 FF\"\r\n"
      "minTextFileSaveInterval=\"1:30\"\r\nvtUsrEnergyUse=1\r\nmouseMeasureUsedEnergy=1\r\n"
      "overWriteLast=1\r\nstartMimimized=yes\r\nwebServerPort=\"8080\"\r\nwebRoot=\"/srv/www\"\r\n"
      "viewRange=5\r\npricePerkWh=\" 2,50 \"\r\n");

  const Settings& s = v.settings();
  ASSERT_FALSE(a.heard.isEmpty());
  EXPECT_EQ(a.heard.last(), s);  // the last announcement is the current value
  EXPECT_TRUE(s.iniFileName.startsWith(settingsTestDir()) && s.iniFileName.endsWith(".INI"));
  EXPECT_EQ(s.zavDatFileName[0], settingsTestDir() + "pwrData.ZAV");
  EXPECT_EQ(s.zavDatFileName[1], "/data/view.ZAV");
  EXPECT_EQ(s.zavLogFileName, settingsTestDir() + "zavLog.TXT");
  EXPECT_EQ(s.comPort, 5);
  EXPECT_EQ(s.prescale, 10);
  EXPECT_EQ(s.msgLevel, 6);
  EXPECT_DOUBLE_EQ(s.revsPerkWh, 375);    // through its twin field
  EXPECT_DOUBLE_EQ(s.WsPerCount, 96000);  // 3600000 / (1 * 375 / 10)
  EXPECT_NEAR(s.minMeterScale, 3600000 / (375 * 68719.476736), 1e-12);
  EXPECT_DOUBLE_EQ(s.maxMeterPower, 12000);
  EXPECT_DOUBLE_EQ(s.ticksPerSec, 62500);
  EXPECT_EQ(s.ZAVdetectorVer, 24840);  // the old number means the new controller
  EXPECT_EQ(s.ifType, 1);
  EXPECT_EQ(s.reduceMethod, 1);
  EXPECT_EQ(s.textFileWriteInterval, 3);  // factory default
  EXPECT_EQ(s.plotWidth, 800);
  EXPECT_EQ(s.plotHeight, 400);
  EXPECT_EQ(s.plotBackgroundColor, 0x0000FF);  // &HBBGGRR: red
  EXPECT_DOUBLE_EQ(s.minTextFileSaveInterval, 0.0625);
  EXPECT_EQ(s.vtEnergy.unit, "kr");  // the user-defined energy type is in use
  EXPECT_DOUBLE_EQ(s.vtEnergy.factor, 0.001);
  EXPECT_EQ(s.vtPower.unit, "W");
  EXPECT_EQ(s.mousePointerFlags, 3);
  EXPECT_EQ(s.mouseMeasureFlags, 1 | 2 | 4 | 32);
  EXPECT_TRUE(s.overWriteLast);
  EXPECT_TRUE(s.startMinimized);  // the key keeps its old spelling
  EXPECT_TRUE(s.writeToZAVdataFile);
  EXPECT_FALSE(s.savePlotToPicFile);
  EXPECT_EQ(s.webPortText, "8080");
  EXPECT_EQ(s.webPort, 8080);
  EXPECT_TRUE(s.webPortAccepted);
  EXPECT_EQ(s.webRootText, "/srv/www");
  EXPECT_EQ(s.webLogFileText, "");
  EXPECT_EQ(s.webLogging, 0);
  EXPECT_TRUE(s.defaultWebRoot.endsWith("/public_html/"));
  EXPECT_EQ(s.viewRange, 5);
  EXPECT_EQ(s.pricePerkWh, " 2,50 ");
  EXPECT_EQ(s.appName, "Zav");
  EXPECT_EQ(s.defDirName, settingsTestDir());
}

TEST(SettingsValue, EachChangeIsAnnouncedOnceAndApplyingAlways) {
  SetupForTest setup;
  SetupValues& v = setup.values;
  v.setValue("Check5(3)", 0);  // the factory defaults leave it as it was
  const int32_t measureFlags = v.settings().mouseMeasureFlags;
  Announcements a;
  v.setText("Text1(15)", "400");  // the rule writes the twin field, whose rule stores the value
  ASSERT_EQ(a.heard.size(), 1);
  EXPECT_DOUBLE_EQ(a.heard[0].revsPerkWh, 400);
  EXPECT_EQ(a.heard[0], v.settings());
  v.setText("Text1(13)", "400");  // unchanged text: no rule, nothing new
  v.setText("Text1(3)", "abc");   // refused: the level keeps its value, nothing new
  v.setValue("Check1(0)", 0);     // already clear
  EXPECT_EQ(a.heard.size(), 1);
  v.setValue("Check5(3)", 1);
  ASSERT_EQ(a.heard.size(), 2);
  EXPECT_EQ(a.heard[1].mouseMeasureFlags, measureFlags | 8);
  v.takeSliderPosition(4);  // the user moved the slider
  ASSERT_EQ(a.heard.size(), 3);
  EXPECT_EQ(a.heard[2].viewRange, 4);
  v.setText("Text18", "79");
  ASSERT_EQ(a.heard.size(), 4);
  EXPECT_EQ(a.heard[3].webPort, 79);
  EXPECT_FALSE(a.heard[3].webPortAccepted);
  v.applySetupSettings(false);
  v.applySetupSettings(false);  // nothing changed, still announced
  EXPECT_EQ(a.heard.size(), 6);
  v.setValue("Check5(3)", 0);
  v.setText("Text18", "");
}

TEST(SettingsValue, WebPortFollowsTheServersRule) {
  struct Row {
    const char* name;
    const char* text;
    int32_t port;
    bool accepted;
  };
  const Row rows[] = {
      {"emptyIsTheStandardPort", "", 80, true},
      {"lowestAccepted", "80", 80, true},
      {"highestAccepted", "65535", 65535, true},
      {"belowTheRange", "79", 79, false},
      {"zeroListensOnTheStandardPortButIsRefused", "0", 80, false},
      {"noNumber", "abc", 80, false},
      {"negative", "-5", -1, false},
      {"aboveTheRange", "65536", 65536, false},
      {"farAboveIsCut", "9999999", 65536, false},
      {"leadingNumberOnly", "8080x", 8080, true},
      {"fractionDropped", "443.9", 443, true},
  };
  for (const Row& r : rows) {
    const WebPortSetting p = webPortFromText(QString::fromLatin1(r.text));
    EXPECT_EQ(p.port, r.port) << r.name;
    EXPECT_EQ(p.accepted, r.accepted) << r.name;
  }
}

TEST(SettingsValue, HeldTextsAndStartValuesReachTheSettings) {
  SetupForTest setup;
  SetupValues& v = setup.values;
  {
    Announcements a;
    v.setHeldText(QLatin1String("pricePerkWh"), " 0,75 ");  // typed into the calculator
    ASSERT_EQ(a.heard.size(), 1);
    EXPECT_EQ(a.heard[0].pricePerkWh, " 0,75 ");
  }
  EXPECT_TRUE(QString::fromUtf8(iniFileText(v, "x")).endsWith("pricePerkWh=\"0,75\"\r\n\r\n"));
  v.setHeldText(QLatin1String("zavDatFileName(1)"), "/view.ZAV");
  EXPECT_EQ(v.settings().zavDatFileName[1], "/view.ZAV");
  Settings other;
  EXPECT_FALSE(storeHeldText(other, QLatin1String("comPort"), "3"));  // a field's value, not held
  EXPECT_EQ(other, Settings());

  // "-com5" on the command line: the factory defaults' empty port field keeps it.
  StartValues start = testStartValues();
  start.comPort = 5;
  v.takeStartValues(start);
  v.applySetupSettings(true);
  EXPECT_EQ(v.settings().comPort, 5);
  EXPECT_EQ(v.text("Text1(0)"), "");
}

TEST(SettingsValue, WebServerBoxAsksWhetherTheServerListens) {
  SetupForTest setup;
  SetupValues& v = setup.values;
  HeadlessLog log;
  int32_t listening = 8080;
  v.setQuestions({.mainWindowLoaded = {}, .webServerPort = [&] { return listening; }, .filesInUse = {}});
  QStringList heard;
  const QList<QMetaObject::Connection> links = {
      QObject::connect(&webServerRequests(), &WebServerRequests::webServerStartRequested,
                       [&] { heard << "start"; }),
      QObject::connect(&webServerRequests(), &WebServerRequests::webServerStopRequested,
                       [&] { heard << "stop"; })};
  v.setValue("Check9", 1);  // already listening: said so, nothing started
  EXPECT_TRUE(log.lines().contains("MSGBOX: Web server is already running on port: 8080"));
  v.setValue("Check9", 0);
  listening = 0;
  v.setValue("Check9", 1);
  shutDownProgram(setup.values);  // nothing listens: nothing to stop
  for (const auto& l : links) QObject::disconnect(l);
  EXPECT_EQ(heard, QStringList({"stop", "start"}));
  v.setQuestions({});
}
