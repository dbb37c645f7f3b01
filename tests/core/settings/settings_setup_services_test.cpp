#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <algorithm>

#include "app/wiring.h"
#include "core/globals.h"
#include "core/setup/setup_file_dialog.h"
#include "core/util/text_helpers.h"
#include "support/headless_env.h"
#include "support/log_capture.h"
#include "tests/core/settings/settings_test_support.h"
#include "tests/meter/window/meter_owners.h"

TEST(GraphSlider, FifteenStopsWithCaptionsFromAllToOneMinute) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  GraphSlider& g = w.graphSlider();
  EXPECT_EQ(g.label(0)->text(), "ALL");
  EXPECT_EQ(g.label(14)->text(), "1min");
  EXPECT_LT(g.label(0)->x(), g.label(14)->x());
  EXPECT_DOUBLE_EQ(g.smallestSpan(), 1.0 / 1440);
  EXPECT_EQ(w.Slider1()->value(), 13);  // factory: one stop before the last
  EXPECT_EQ(g.selStart(), 13);
  EXPECT_EQ(g.selLength(), 1);
}

TEST(GraphSlider, CodeMovesQuietlyAndUsersAreLogged) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  GraphSlider& g = w.graphSlider();
  LogCapture log;
  g.setGraphTimeWidth(3);
  EXPECT_EQ(w.Slider1()->value(), 3);
  EXPECT_EQ(g.selLength(), 11);
  g.setGraphTimeWidth(15);
  EXPECT_EQ(w.Slider1()->value(), 3);
  EXPECT_FALSE(log.contains("Slider1_NewValue"));
  g.setEventCounters(32767);
  w.Slider1()->setValue(10);      // a movement that is not the code's
  EXPECT_EQ(g.changeCount(), 0);  // wrapped from 32767
  EXPECT_EQ(g.selStart(), 10);
  EXPECT_EQ(g.selLength(), 4);
  EXPECT_TRUE(log.contains("Slider1_NewValue\nviewRange=0"));
  EXPECT_EQ(g.tag(), "");
}

TEST(SetupFileDialog, RequestsByKindAndMode) {
  struct Row {
    const char *kind, *ext;
    int mode;
    bool save;
    const char* filter;
  };
  for (const Row& row :
       {Row{"txt", "txt", 0, false, "Zav text files (*.txt)|*.txt|all files (*.*)|*.*"},
        Row{"zav", "zav", 0, false, "Zav data files (*.zav)|*.zav|all files (*.*)|*.*"},
        Row{"pic", "gif", 2, true, "Plot picture files (*.bmp;*.gif)|*.bmp;*.gif|all files (*.*)|*.*"},
        Row{"", "", 3, true, "all files (*.*)|*.*"}, Row{"", "", 1, true, ""}}) {
    const FileDialogRequest r = selectFileRequest(row.kind, "/d/f", row.mode);
    EXPECT_EQ(r.save, row.save) << row.kind << row.mode;
    EXPECT_EQ(r.filter, row.filter) << row.kind << row.mode;
    EXPECT_EQ(r.defaultExt, row.ext);
    EXPECT_EQ(r.fileName, "/d/f");
  }
}

TEST(SetupFileDialog, CancelLeavesTheNameAndLogsTwoLines) {
  HeadlessLog log;
  qunsetenv("ZAV_TEST_FILE");
  QString name = "/d/a.zav";
  int16_t cancelled = 0;
  selectFileDialog("zav", name, 0, cancelled);
  EXPECT_EQ(cancelled, -1);
  EXPECT_EQ(name, "/d/a.zav");
  EXPECT_TRUE(log.lines().contains("selectFileDialog: ERROR= 32755"));
  EXPECT_TRUE(log.lines().contains("selectFileDialog: cdlCancel= 32755"));
  qputenv("ZAV_TEST_FILE", "/d/b.zav");
  selectFileDialog("zav", name, 0, cancelled);
  qunsetenv("ZAV_TEST_FILE");
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(name, "/d/b.zav");
  EXPECT_TRUE(log.lines().contains("selectFileDialog: NO ERROR= 0"));
}

TEST(SetupFileDialog, IpLinkAddsThePortUnless80) {
  EXPECT_EQ(ipLinkText("192.168.1.20", 80), "192.168.1.20");
  EXPECT_EQ(ipLinkText("192.168.1.20", 8080), "192.168.1.20:8080");
}

TEST(WebServerBox, PortRulesAndAClearMessageThatItCannotStart) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  MeterOwners meter;
  Subsystems subsystems(meter.session, meter.link, setup.values);  // the web server listens to the box
  HeadlessLog log;
  w.Text1(3)->setText("4");
  setup.values.setText("Text18", "79");
  w.Check9()->setCheckState(Qt::Checked);
  EXPECT_EQ(w.Check9()->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(w.control("Text18")->toolTip(), "Port number error");
  EXPECT_EQ(w.control("Text18")->property("foreColor").toInt(), logColourError);
  w.Check9()->setCheckState(Qt::Unchecked);
  for (const char* port : {"", "80", "8080abc", "65535"}) {
    setup.values.setText("Text18", port);
    w.Check9()->setCheckState(Qt::Checked);
    EXPECT_EQ(w.Check9()->checkState(), Qt::Unchecked) << port;  // accepted, but the test has no web root
    EXPECT_EQ(setup.values.webServerPort(), 0);
    EXPECT_EQ(w.control("Text18")->toolTip(), *port ? "" : "Using default http port number: 80");
  }
  const QStringList lines = log.lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& l) {
    return l.startsWith("MSGBOX: The selected folder path: " + setup.values.settings().defaultWebRoot);
  }));
  setup.values.setText("Text18", "65536");
  w.Check9()->setCheckState(Qt::Checked);
  EXPECT_EQ(w.Check9()->checkState(), Qt::PartiallyChecked);
  w.Check9()->setCheckState(Qt::Unchecked);
  setup.values.setText("Text18", "");
}

TEST(WebServerBox, LoggingBoxLocksTheLogFile) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  setup.values.setValue("cheLogging", 1);
  EXPECT_FALSE(w.control("txtWebLogFile")->isEnabled());
  EXPECT_FALSE(w.control("Command9(1)")->isEnabled());
  setup.values.setValue("cheLogging", 0);
  EXPECT_TRUE(w.control("txtWebLogFile")->isEnabled());
  EXPECT_EQ(w.control("txtWebRoot")->toolTip(),
            "Leave empty to use default: " + setup.values.settings().defaultWebRoot);
}

TEST(SetupWindowButtons, SelectButtonsNeedTheMainWindow) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  HeadlessLog log;  // no main window
  w.Command1(0)->click();
  EXPECT_TRUE(log.lines().contains("MSGBOX: Main window is not loaded"));
}

TEST(SetupWindowButtons, ActivationRefreshesTheFileFields) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  // The main window's menus picked another text log.
  FilesInUse files{.zavDatFileName = setup.values.settings().zavDatFileName,
                   .zavLogFileName = "/elsewhere/zavLog.TXT",
                   .zavPlotFileName = setup.values.settings().zavPlotFileName};
  setup.values.setQuestions(
      {.mainWindowLoaded = {}, .webServerPort = {}, .filesInUse = [&] { return files; }});
  w.show();
  w.activateWindow();
  QTest::qWait(20);
  QEvent e(QEvent::ActivationChange);
  QApplication::sendEvent(&w, &e);
  if (w.isActiveWindow()) {
    EXPECT_EQ(w.Text2(5)->text(), "/elsewhere/zavLog.TXT");
  }
  w.hide();
  setup.values.setQuestions({});
}
