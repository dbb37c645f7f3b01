// The main window: load order and captions, layout rules, minimised caption,
// exit confirmation and the help link, offscreen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/app_windows.h"
#include "core/log/logmsg.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "core/setup/summary_form.h"
#include "core/startup.h"
#include "meter/window/calculator.h"
#include "meter/window/calculator_panel.h"
#include "meter/window/form1.h"
#include "meter/window/indicator_widgets.h"
#include "meter/window/main_menus.h"
#include "meter/window/tcp_client_panel.h"
#include "meter/window/twips.h"
#include "support/headless_env.h"
#include "support/log_capture.h"
#include "tests/meter/window/meter_owners.h"

namespace {

struct MainWindow : ::testing::Test, MeterOwners {};

// Answers the next message box with the given button.
// Shows the next message box for real and clicks one of its buttons.
void answerNextMessageBox(QMessageBox::StandardButton button) {
  qunsetenv("ZAV_HEADLESS");
  QTimer::singleShot(0, [button] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      box->button(button)->click();
    qputenv("ZAV_HEADLESS", "1");
  });
}

}  // namespace

TEST_F(MainWindow, LoadLeavesWindowShownWithVersionCaptionAndCalculatorReady) {
  LogCapture log;
  Form1 f(session, link, values);
  f.formLoad();
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(f.mainWindowLoaded());
  EXPECT_EQ(f.windowTitle(), "Zav ver 1.3.0");
  EXPECT_EQ(f.captionText, "Zav ver 1.3.0");
  // The start line carries the date alone.
  EXPECT_TRUE(log.text().contains(QRegularExpression("-------- Zav START \\d{4}-\\d\\d-\\d\\d\\s*(\n|$)")));
  EXPECT_EQ(f.Label14()->text(), "temp°C");
  EXPECT_EQ(f.Text7(0)->text(), "Zav ver ");
  EXPECT_EQ(f.Text7(2)->text(), "For help goto:");
  EXPECT_EQ(f.Text7(3)->toolTip(), "Click to open in your browser!");
  EXPECT_TRUE(f.Text7(3)->font().underline());
  EXPECT_EQ(f.calculatorPanel()->HScroll1()->value(), 3);
  EXPECT_EQ(f.calculatorPanel()->Label11(0)->text(), "month ");
  EXPECT_EQ(f.calculatorPanel()->Label11(2)->text(), "year ");
  auto* text3 = f.findChild<QLineEdit*>("Text3(1)");
  ASSERT_NE(text3, nullptr);
  EXPECT_EQ(text3->text(), "398.37");
  EXPECT_EQ(f.calculator().editGuard, -1);
  EXPECT_EQ(f.calcDependentGroup, 3);
}

TEST_F(MainWindow, EveryDesignedControlIsFoundByName) {
  Form1 f(session, link, values);
  f.formLoad();
  for (const char* name :
       {"Frame1",   "Frame2",   "Frame3",   "Frame4(0)",   "Frame4(1)", "Frame4(2)", "Frame5",
        "Frame6",   "Text2",    "Text4",    "Text8",       "Text9(0)",  "Text9(2)",  "Text6",
        "Text3(0)", "Text5(8)", "Text10",   "Text11(2)",   "HScroll1",  "Check1",    "Check3",
        "Check5",   "Command1", "Command2", "Command3(0)", "Text7(3)",  "Text12(1)", "Shape1",
        "Shape2",   "Picture2", "Label14",  "Label11(1)",  "Check2(2)"}) {
    EXPECT_NE(f.findChild<QWidget*>(name), nullptr) << name;
  }
}

TEST_F(MainWindow, FalvorBrandOnlyForExactName) {
  settings.appName = QStringLiteral("Falvor");
  apply();
  {
    Form1 f(session, link, values);
    f.formLoad();
    EXPECT_EQ(f.windowTitle(), "Falvor ver 1.3.0");
    EXPECT_EQ(f.Text7(0)->text(), "Zav ver ");
    f.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(f.windowTitle().startsWith("Falvor "));
  }
  settings.appName = QStringLiteral("falvor");
  apply();
  Form1 g(session, link, values);
  g.formLoad();
  EXPECT_EQ(g.windowTitle(), "Zav ver 1.3.0");
}

TEST_F(MainWindow, MenusShowOnlyExitOnLineMessagesAndSetup) {
  Form1 f(session, link, values);
  f.formLoad();
  MainMenus& m = f.menus();
  EXPECT_TRUE(m.mnuFile->menuAction()->isVisible());
  EXPECT_TRUE(m.mnuMeter->menuAction()->isVisible());
  EXPECT_TRUE(m.mnuView->menuAction()->isVisible());
  EXPECT_FALSE(m.mnuComPort->menuAction()->isVisible());
  EXPECT_TRUE(m.mnuFileExit->isVisible());
  for (QAction* hidden : {m.mnuFileOpen, m.mnuFileClose, m.mnuFileSave, m.mnuFileSaveAs, m.mnuFileList1,
                          m.mnuFileView, m.mnuFileList2, m.mnuMeter_Select[0], m.mnuView_Plot}) {
    EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
  }
  EXPECT_TRUE(m.mnuMeter_Select[1]->isVisible());
  EXPECT_TRUE(m.mnuView_Messages->isVisible());
  EXPECT_TRUE(m.mnuView_Setup->isVisible());
  EXPECT_FALSE(f.Option3(0)->isVisible());
  EXPECT_TRUE(f.Check3()->isVisible());
}

// The plotted slot and "Auto Plot" are the window's own: Option3 picks the slot,
// Check3 the auto-plot, which only the current file offers.
TEST_F(MainWindow, PlottedSlotAndAutoPlotFollowTheirControls) {
  Form1 f(session, link, values);
  EXPECT_EQ(f.plotFileSlot(), 0);
  EXPECT_FALSE(f.autoPlot());
  f.Check3()->setChecked(true);
  EXPECT_TRUE(f.autoPlot());
  f.Option3(1)->setChecked(true);
  EXPECT_EQ(f.plotFileSlot(), 1);
  EXPECT_FALSE(f.Check3()->isEnabled());
  f.Option3(0)->setChecked(true);
  EXPECT_EQ(f.plotFileSlot(), 0);
  EXPECT_TRUE(f.Check3()->isEnabled());
  f.Check3()->setChecked(false);
  EXPECT_FALSE(f.autoPlot());
}

TEST_F(MainWindow, DebugModeWidensByDiagnosticAreaAndOnlyThenShowsIt) {
  Form1 f(session, link, values);
  f.formLoad();
  QWidget* tcpFrame = f.tcpClientPanel()->parentWidget();
  const int narrow = f.width();
  // A larger window uncovers no developer frame while debug mode hides them.
  f.resize(narrow * 3, f.height() * 2);
  EXPECT_FALSE(f.Frame6()->isVisibleTo(&f));
  EXPECT_FALSE(tcpFrame->isVisibleTo(&f));
  settings.debugMode = 1;
  f.setSettings(settings);
  f.setWindowSize();
  EXPECT_EQ(pxToTwips(f.width() - narrow), 6000);
  EXPECT_TRUE(f.Frame6()->isVisibleTo(&f));
  EXPECT_TRUE(tcpFrame->isVisibleTo(&f));
  settings.debugMode = -2;
  f.setSettings(settings);
  f.setWindowSize();
  EXPECT_EQ(f.width(), narrow);
  f.showMaximized();
  EXPECT_FALSE(f.Frame6()->isVisibleTo(&f));
  EXPECT_FALSE(tcpFrame->isVisibleTo(&f));
}

TEST_F(MainWindow, LowerFrameSitsBelowTheLastCalculatorFrame) {
  Form1 f(session, link, values);
  f.formLoad();
  CalculatorPanel* c = f.calculatorPanel();
  EXPECT_FALSE(c->Frame4(1)->isVisibleTo(&f));
  EXPECT_EQ(geometryTw(f.Frame5()).y(), bottomTw(c->Frame3()) + 90);
  EXPECT_EQ(bottomTw(f.Picture2()), bottomTw(f.Frame5()));
  settings.advancedFunctions = true;
  f.setSettings(settings);
  f.setWindowSize();
  EXPECT_TRUE(c->Frame4(1)->isVisibleTo(&f));
  EXPECT_EQ(geometryTw(f.Frame5()).y(), bottomTw(c->Frame4(2)) + 90);
  EXPECT_EQ(bottomTw(f.Picture2()), bottomTw(f.Frame5()));
  EXPECT_EQ(pxToTwips(f.height()), f.menuBarHeight + bottomTw(f.Frame5()) + 90);
}

TEST_F(MainWindow, MinimisedCaptionShowsPowerAndRestoreBringsVersionBack) {
  Form1 f(session, link, values);
  f.formLoad();
  f.calculator().setMeterPower(1234.5);
  f.setWindowState(Qt::WindowMinimized);
  EXPECT_EQ(f.windowTitle(), "Zav 1,235 W  temp°C");
  f.Label14()->setText(QStringLiteral("21.5 °C"));
  f.calculator().setMeterPower(60);
  f.updateTitlePower();
  EXPECT_EQ(f.windowTitle(), "Zav 60 W  21.5 °C");
  f.setWindowState(Qt::WindowNoState);
  EXPECT_EQ(f.windowTitle(), "Zav ver 1.3.0");
}

TEST_F(MainWindow, CancelledExitKeepsTheProgramRunningAndOnline) {
  Form1 f(session, link, values);
  f.formLoad();
  int ended = 0;
  QObject::connect(&f, &Form1::programEnded, [&] { ++ended; });
  session.setOnline(true);
  answerNextMessageBox(QMessageBox::Cancel);
  f.close();  // the close itself is refused and asks
  EXPECT_EQ(ended, 0);
  EXPECT_TRUE(link.online());
  EXPECT_TRUE(f.isVisible());
  answerNextMessageBox(QMessageBox::Ok);
  f.confirmExit();
  EXPECT_EQ(ended, 1);
}

TEST_F(MainWindow, ExitQuestionNamesTheProgram) {
  HeadlessLog log;
  Form1 f(session, link, values);
  f.formLoad();
  int ended = 0;
  QObject::connect(&f, &Form1::programEnded, [&] { ++ended; });
  f.menus().mnuFileExit->trigger();
  EXPECT_TRUE(log.lines().contains("MSGBOX: Zav: exit program?"));
  EXPECT_EQ(ended, 1);
  f.endWithoutAsking();  // a signal after the end changes nothing
  EXPECT_EQ(ended, 1);
}

TEST_F(MainWindow, HelpLinkOpensOnlyForAStillLeftClick) {
  HeadlessLog log;
  Form1 f(session, link, values);
  f.formLoad();
  QLineEdit* link = f.Text7(3);
  const QString opened = "OPEN: https://zav.example/help?Zav-1.3.0";
  QTest::mousePress(link, Qt::LeftButton, {}, QPoint(30, 5));
  QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(40, 5));
  EXPECT_FALSE(log.lines().contains(opened));
  QTest::mousePress(link, Qt::RightButton, {}, QPoint(30, 5));
  QTest::mouseRelease(link, Qt::RightButton, {}, QPoint(30, 5));
  EXPECT_FALSE(log.lines().contains(opened));
  QTest::mousePress(link, Qt::LeftButton, {}, QPoint(30, 5));
  QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(30, 5));
  EXPECT_TRUE(log.lines().contains(opened));
}

TEST_F(MainWindow, HelpLinkOpensWithoutTheMouseOnlyForTheLinkBox) {
  HeadlessLog log;
  Form1 f(session, link, values);
  f.formLoad();
  f.Text7(3)->setText("zav.example/help");
  f.openHelpLink(2);
  EXPECT_FALSE(log.lines().join('\n').contains("OPEN:"));
  f.openHelpLink(3);
  EXPECT_TRUE(log.lines().contains("OPEN: http://zav.example/help?Zav-1.3.0"));
}

TEST_F(MainWindow, Timer7CountsAWaitDownAndEndsItAtZeroOrOnCancel) {
  Form1 f(session, link, values);
  link.startWaiting();
  fillSummaryForm(f.summaryForm(), 1, "Waiting", "", 0, 3, "", 0, 0);
  ASSERT_NE(f.summaryForm(), nullptr);
  f.timer7Total = 3;
  f.timer7Remaining = 3;
  f.Timer7.setInterval(5);
  f.Timer7.setEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Timer7.isEnabled(); }, 10000));
  EXPECT_EQ(f.timer7Remaining, 0);
  EXPECT_TRUE(link.detectorAnswered());
  EXPECT_EQ(f.summaryForm()->Text1()->text(), "100 %");

  link.startWaiting();
  f.timer7Remaining = 3;
  f.Timer7.setEnabled(true);
  QTest::mouseClick(f.summaryForm()->Command2(), Qt::LeftButton);
  f.Timer7_Timer();
  EXPECT_FALSE(f.Timer7.isEnabled());
  EXPECT_TRUE(link.detectorAnswered());
  EXPECT_EQ(f.summaryForm()->Text1()->text(), "33 %");
  fillSummaryForm(f.summaryForm(), 2, "", "", 0, 0, "", 0, 0);
}

TEST(HelpLink, AddressAndQuery) {
  EXPECT_EQ(helpLinkQuery("1.2.0"), "?Zav-1.2.0");
  EXPECT_EQ(helpLinkTarget("  zav.example/help ", "1.2.0"), "http://zav.example/help?Zav-1.2.0");
  EXPECT_EQ(helpLinkTarget("file:///usr/share/doc/zav/index.html", "1.3.0"),
            "file:///usr/share/doc/zav/index.html?Zav-1.3.0");
  HelpLinkClicks c;
  c.mouseDown(1, 450);
  EXPECT_EQ(c.linkPressX(), 450);
  EXPECT_TRUE(c.mouseUp(1, 450));
  EXPECT_EQ(c.linkPressX(), -1);
  c.mouseDown(1, 0);  // at the very left edge
  EXPECT_FALSE(c.mouseUp(1, 0));
  c.mouseDown(2, 450);
  EXPECT_EQ(c.linkPressX(), -1);
}

namespace {
// Notes the window's own steps in the message log, between the program's lines.
struct WindowSteps : QObject {
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Show) logMsg(1, QStringLiteral("TEST: shown"));
    if (e->type() == QEvent::WindowStateChange) logMsg(1, QStringLiteral("TEST: state changed"));
    return false;
  }
};
}  // namespace

TEST_F(MainWindow, StartOptionsRunAfterTheWindowIsShownOnlineFirst) {
  QTemporaryDir dir;
  setCommandLineArgs({dir.path() + u'/', "-noini"});  // the program's folder, no settings file
  StartValues found;
  getCmdArgs(found);
  struct ArgsBack {
    ~ArgsBack() { setCommandLineArgs({}); }
  } argsBack;
  LogCapture log;
  SetupWindow setup(values);
  loadSetupWindowHidden(setup, found);
  setup.Check1(1)->setChecked(true);               // Start On-Line
  setup.Check1(10)->setChecked(true);              // Start Minimized
  setup.Check1(4)->setChecked(true);               // Start with Auto Plot
  setup.Text1(0)->setText(QStringLiteral("999"));  // a port that fails at once
  settings = values.settings();
  apply();
  Form1 f(session, link, values);
  WindowSteps steps;
  f.installEventFilter(&steps);
  f.formLoad();
  EXPECT_TRUE(f.autoPlot());
  EXPECT_TRUE(f.Check3()->isChecked());
  const QString text = log.text();
  const qsizetype start = text.indexOf("-------- Zav START"), shown = text.indexOf("TEST: shown"),
                  online = text.indexOf("openCom: ERROR comPort=999"),
                  minimised = text.lastIndexOf("TEST: state");
  ASSERT_GE(start, 0);
  EXPECT_LT(start, shown);
  EXPECT_LT(shown, online);
  EXPECT_LT(online, minimised);
  EXPECT_TRUE(f.isMinimized());
  EXPECT_TRUE(f.windowTitle().startsWith("Zav 0 W"));
  for (int i : {1, 10, 4}) setup.Check1(i)->setChecked(false);
}

TEST_F(MainWindow, ExitClosesADataFileLeftOpenByAFailedStart) {
  HeadlessLog log;
  QTemporaryDir dir;
  settings.zavDatFileName[0] = dir.filePath("pwrData.ZAV");
  apply();
  session.openDataFile();
  ASSERT_TRUE(session.recorder().isOpen());
  Form1 f(session, link, values);
  f.formLoad();
  f.confirmExit();
  EXPECT_FALSE(session.recorder().isOpen());
}
