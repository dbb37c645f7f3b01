// The settings values and the setup window that shows them: edits go both ways,
// core announces through settingsEvents, and the faults found by users in the
// setup fields (too large numbers, long texts, read-only figures, the COM tip).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <limits>

#include "core/globals.h"
#include "core/settings/ini_reader.h"
#include "core/settings/ini_writer.h"
#include "core/settings/settings_events.h"
#include "core/setup/setup_window_calls.h"
#include "core/util/number_text.h"
#include "platform/comm_device.h"
#include "tests/core/settings/settings_test_support.h"

namespace {
int32_t foreColorOf(const SetupValues& values, const char* name) {
  return values.look(name).foreColor.value_or(-1);
}

void loadIni(SetupValues& values, const QByteArray& bytes) {
  const QString path = settingsTestDir() + "values.INI";
  writeTextFile(path, bytes);
  loadINIfile(path, values);
}
}  // namespace

TEST(SetupValues, EditsGoBothWaysBetweenValuesAndControls) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  SetupValues& v = setup.values;
  w.Text1(15)->setText("400");  // a user's edit runs the rule, and the twin shows the result
  EXPECT_EQ(v.text("Text1(13)"), "400");
  EXPECT_EQ(w.Text1(13)->text(), "400");
  EXPECT_DOUBLE_EQ(setup.values.settings().revsPerkWh, 400);
  v.setValue("Option1(0)", 1);  // a value change shows in the group and disables the fields
  EXPECT_TRUE(w.option("Option1", 0)->isChecked());
  EXPECT_FALSE(w.option("Option1", 2)->isChecked());
  EXPECT_FALSE(w.Text1(19)->isEnabled());
  w.option("Option1", 2)->setChecked(true);
  EXPECT_EQ(v.value("Option1(0)"), 0);
  EXPECT_EQ(setup.values.settings().ifType, 2);
  w.Check1(6)->click();
  EXPECT_TRUE(setup.values.settings().overWriteLast);
  v.setValue("Check1(6)", 0);
  EXPECT_EQ(w.Check1(6)->checkState(), Qt::Unchecked);
  EXPECT_FALSE(setup.values.settings().overWriteLast);
  v.clearPortList();
  v.addPortListItem(3);
  v.addPortListItem(7);
  v.selectPortListItem(1);
  EXPECT_EQ(w.Combo2()->count(), 2);
  EXPECT_EQ(w.Combo2()->currentText(), "7");
  EXPECT_EQ(w.Combo2()->itemData(0).toInt(), 3);
  w.control("Text24")->setProperty("text", "2024-05-01 12:00");  // the chart's reference end
  EXPECT_EQ(setup.values.settings().ReferencePowerEndTime, "2024-05-01 12:00");
  w.Check1(8)->click();
  EXPECT_TRUE(setup.values.settings().DrawOrthogonalLines);
  w.Check1(8)->click();
  v.showPulseAnalysis("width 12 ms");
  EXPECT_EQ(w.Frame10()->title(), "Pulse analysis");
  v.clearPortList();
}

TEST(SetupValues, CoreAnnouncesWhatTheWindowsAbove) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  bool mainLoaded = false;
  int32_t listening = 0;
  FilesInUse files{
      .zavDatFileName = setup.values.settings().zavDatFileName, .zavLogFileName = {}, .zavPlotFileName = {}};
  setup.values.setQuestions({.mainWindowLoaded = [&] { return mainLoaded; },
                             .webServerPort = [&] { return listening; },
                             .filesInUse = [&] { return files; }});
  QStringList heard;
  SettingsEvents& e = settingsEvents();
  QList<QMetaObject::Connection> links = {
      QObject::connect(&e, &SettingsEvents::settingsApplied, [&] { heard << "applied"; }),
      QObject::connect(&e, &SettingsEvents::mainWindowLayoutChanged, [&] { heard << "layout"; }),
      QObject::connect(&meterLinkRequests(), &MeterLinkRequests::comSearchRequested,
                       [&] { heard << "search"; }),
      QObject::connect(&meterLinkRequests(), &MeterLinkRequests::comEventCountersCleared,
                       [&](int i) { heard << "cleared " + QString::number(i); }),
      QObject::connect(&webServerRequests(), &WebServerRequests::webServerStopRequested,
                       [&] { heard << "stop"; }),
      QObject::connect(&fileRequests(), &FileRequests::filePickRequested, [&](SettingsFile f) {
        heard << "pick " + QString::number(int(f));
        files.zavDatFileName[0] = "/picked/a.zav";
      })};
  setup.values.applySetupSettings(false);
  w.Check1(2)->click();
  w.Check1(2)->click();
  qobject_cast<QPushButton*>(w.control("Command11"))->click();
  setup.values.showComEventCount(3, "12");
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(w.control("Label18(3)"), &dbl);
  EXPECT_EQ(w.Text16(3)->text(), "");
  mainLoaded = true;
  w.Command1(0)->click();
  EXPECT_EQ(w.Text2(2)->text(), "/picked/a.zav");
  EXPECT_EQ(setup.values.settings().zavDatFileName[0], "/picked/a.zav");
  listening = 8080;
  shutDownProgram(setup.values);
  listening = 0;
  shutDownProgram(setup.values);  // nothing listens: nothing to stop
  for (const auto& l : links) QObject::disconnect(l);
  setup.values.setQuestions({});
  EXPECT_EQ(heard, QStringList({"applied", "layout", "layout", "search", "cleared 3", "pick 0", "stop"}));
}

TEST(SetupValues, NumbersTooLargeForADoubleAreRefused) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<const char*, double> reads[] = {{"2e308", inf},       {"-1e309", -inf},   {"1e-400", 0},
                                                  {"&H1FFFFFFFF", inf}, {"&HFFFFFFFF", -1}, {"12abc", 12}};
  for (const auto& [text, value] : reads) {
    EXPECT_EQ(valUnbounded(text), value) << text;
    EXPECT_EQ(val(text), std::isfinite(value) ? value : 0) << text;
  }
  SetupForTest setup;
  SetupWindow& w = setup.window;
  struct Row {
    int field;
    const char* text;
    double Settings::*member;
    double kept;
  } rows[] = {{17, "2e308", &Settings::minUpdateInterval, 6},
              {17, "-1e309", &Settings::minUpdateInterval, 6},
              {31, "&H1FFFFFFFF", &Settings::minUpdateInterval, 6},
              {15, "1e309", &Settings::revsPerkWh, 1000},
              {24, "2e308", &Settings::maxMeterPower, 8000}};
  for (const Row& r : rows) {
    w.Text1(r.field)->setText(r.text);
    EXPECT_DOUBLE_EQ(setup.values.settings().*r.member, r.kept) << r.field << r.text;
    EXPECT_EQ(w.Text1(r.field)->property("foreColor").toInt(), logColourError) << r.field << r.text;
    setup.values.applySetupSettings(true);
  }
  w.Text1(19)->setText("2e308");
  EXPECT_EQ(setup.values.settings().ZAVdetectorVer, 24840);
  w.Text1(27)->setText("1FFFFFFFFF");
  EXPECT_EQ(setup.values.settings().plotBackgroundColor, 0x80FFFF);
  EXPECT_EQ(foreColorOf(setup.values, "Text1(27)"), logColourError);
  w.Text1(34)->setText("1e400");
  EXPECT_DOUBLE_EQ(setup.values.settings().vtEnergy.factor, 1);
  EXPECT_EQ(foreColorOf(setup.values, "Text1(34)"), logColourError);
  // Prescale limits a number out of its range, but one beyond a double is refused.
  w.Text1(1)->setText("7");
  for (const char* text : {"2e308", "-1e309"}) {
    w.Text1(1)->setText(text);
    EXPECT_EQ(setup.values.settings().prescale, 7) << text;
    EXPECT_EQ(foreColorOf(setup.values, "Text1(1)"), logColourError) << text;
  }
  w.Text1(1)->setText("1e308");
  EXPECT_EQ(setup.values.settings().prescale, 10000);
  EXPECT_EQ(foreColorOf(setup.values, "Text1(1)"), logColourNormal);
  EXPECT_FALSE(isDoubleInRange(0, 1000000, "2e308"));  // the INI reader refuses it too
}

TEST(SetupValues, LongTextsAreKeptWholeThroughTheWindowAndTheFile) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  const QString longRoot = "/" + QString(40000, u'r');
  loadIni(setup.values, "webRoot=\"" + longRoot.toUtf8() + "\"\r\n");
  EXPECT_EQ(qobject_cast<QLineEdit*>(w.control("txtWebRoot"))->text().size(), longRoot.size());
  const QString typed(33000, u't');
  w.Text1(33)->setText(typed);  // a user's paste
  EXPECT_EQ(setup.values.text("Text1(33)"), typed);
  const QString path = settingsTestDir() + "long.INI";
  ASSERT_TRUE(saveIniFile(path, setup.values));
  const QByteArray saved = readTextFile(path);
  EXPECT_TRUE(saved.contains("\r\nwebRoot=\"" + longRoot.toUtf8() + "\"\r\n"));
  EXPECT_TRUE(saved.contains("\r\nvtStdEnergyTitle=\"" + typed.toUtf8() + "\"\r\n"));
}

TEST(SetupValues, ReadOnlyFiguresShowTheirStart) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  w.Text5(12)->setFixedWidth(40);
  setup.values.setText("Text5(12)", "2.439456E-11");
  EXPECT_EQ(w.Text5(12)->text(), "2.439456E-11");
  for (int k = 0; k < 15; ++k) {
    if (w.Text5(k)->isReadOnly()) {
      EXPECT_EQ(w.Text5(k)->cursorPosition(), 0) << k;
    }
  }
  w.Text1(15)->setText("375");  // figures written by the rules too
  for (int k = 0; k < 15; ++k) {
    if (w.Text5(k)->isReadOnly()) {
      EXPECT_EQ(w.Text5(k)->cursorPosition(), 0) << k;
    }
  }
}

TEST(SetupValues, ComPortFieldTipListsEachNumbersDevice) {
  qputenv("ZAV_COM3", "/dev/pts/77");
  const QString table = comDeviceTable();
  qunsetenv("ZAV_COM3");
  const QStringList lines = table.split(u'\n');
  ASSERT_EQ(lines.size(), 17);
  EXPECT_EQ(lines[1], "COM1  /dev/ttyS0");
  EXPECT_EQ(lines[3], "COM3  /dev/pts/77");
  EXPECT_EQ(lines[5], "COM5  /dev/ttyUSB0");
  EXPECT_EQ(lines[9], "COM9  /dev/ttyACM0");
  EXPECT_EQ(lines[16], "COM16  /dev/ttyUSB7");
  SetupForTest setup;
  EXPECT_EQ(setup.window.Text1(0)->toolTip(), comDeviceTable());
}
