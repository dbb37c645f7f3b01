#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <ctime>

#include "core/util/format_pattern.h"
#include "platform/named_colours.h"
#include "support/link_processes.h"
#include "tests/meter/link/link_steps.h"
#include "tools/zav_frames.h"

namespace {
const QString kRedLine = QStringLiteral("openCom: ERROR comPort=");
}

using OnLine = LinkTest;

TEST_F(OnLine, goesOnLineAtThePortOfTheFieldAndBackOffLine) {
  usePort(3);
  goOnLine();
  EXPECT_TRUE(online());
  EXPECT_TRUE(port->portOpen());
  EXPECT_EQ(port->commPort(), 3);
  EXPECT_EQ(port->settings(), "19200,N,8,1");
  EXPECT_EQ(port->rThreshold(), 1);
  EXPECT_TRUE(port->dtrEnable());
  EXPECT_TRUE(port->rtsEnable());
  EXPECT_FALSE(port->breakOn());
  EXPECT_EQ(seen.lines, (SerialLines{.dtr = true, .rts = true}));
  EXPECT_EQ(seen.status.caption, "Energy meter - waiting for meter at COM3");
  EXPECT_EQ(seen.status.captionColour, kSysColorWindowText);
  EXPECT_TRUE(seen.status.onlineTicked);
  EXPECT_EQ(seen.temperature, " ");
  EXPECT_EQ(logPowers(), QList<double>{-2});
  EXPECT_TRUE(dataFileOpen());
  EXPECT_EQ(session.readingCount(), 0);
  EXPECT_EQ(seen.onlineChanges, 1);
  EXPECT_TRUE(logged("openCom: opening com3 MSComm1.Settings =19200,N,8,1"));

  goOnLine(false);
  EXPECT_FALSE(online());
  EXPECT_FALSE(port->portOpen());
  EXPECT_FALSE(port->dtrEnable());
  EXPECT_EQ(seen.lines, SerialLines{});
  EXPECT_FALSE(dataFileOpen());
  EXPECT_EQ(logPowers(), (QList<double>{-2, -4}));
  EXPECT_EQ(seen.status.caption, "Energy meter - OffLine");
  EXPECT_FALSE(seen.status.onlineTicked);
  EXPECT_EQ(seen.onlineChanges, 2);
  EXPECT_TRUE(logged("openCom: closing com3"));
}

// The on-line marker carries the time the data file dates the period's first
// section with, however slowly the port opens: after a kill the register
// finds where the period began by it.
TEST_F(OnLine, onLineMarkerHasTheTimeOfThePeriodsSection) {
  int calls = 0;
  setDateClockForTests([&] { return QDateTime(QDate(2024, 3, 1), QTime(14, 0, 0)).addSecs(calls++); });
  usePort(3);
  goOnLine();
  setDateClockForTests(nullptr);
  ASSERT_TRUE(dataFileOpen());
  EXPECT_EQ(QString::fromUtf8(readTextFile(settings.zavLogFileName)).left(19),
            formatDate(session.recorder().header().startTime, QStringLiteral("yyyy-mm-dd hh:nn:ss")));
}

TEST_F(OnLine, goingOffLineWithoutPortOrFileStillWritesTheLogLine) {
  goOnLine(false);
  EXPECT_EQ(logPowers(), QList<double>{-4});
  EXPECT_TRUE(logged("openCom: port is not open"));
  EXPECT_TRUE(seen.status.autoPlotEnabled);
}

TEST_F(OnLine, unsupportedDetectorTypeGoesOffLine) {
  settings.ZAVdetectorVer = -1;
  usePort(1);
  EXPECT_FALSE(goOnLine());
  EXPECT_FALSE(online());
  EXPECT_FALSE(port->portOpen());
  EXPECT_TRUE(logged("MSGBOX: Selected detector type is not supported"));
  EXPECT_EQ(seen.status.caption, "Energy meter - OffLine");
  // The plain pulse device does not care about the detector type.
  settings.ifType = 1;
  goOnLine();
  EXPECT_TRUE(online());
}

TEST_F(OnLine, dataFileThatCannotOpenKeepsThePortClosed) {
  usePort(1);
  settings.zavDatFileName[0] = "/nonexistent/zav/pwrData.ZAV";
  goOnLine();
  EXPECT_FALSE(online());
  EXPECT_FALSE(port->portOpen());
  // Which file and why, where the user looks.
  const QString why = "/nonexistent/zav/pwrData.ZAV: No such file or directory";
  EXPECT_TRUE(loggedPart("MSGBOX: Error: Cannot open Zav-file\r\n" + why) ||
              loggedPart("MSGBOX: Error: Cannot open Zav-file\n" + why));
  EXPECT_EQ(seen.status.caption, "Error: Cannot open data file " + why);
  EXPECT_EQ(seen.status.captionColour, kRed);
  EXPECT_FALSE(seen.status.onlineTicked);
  EXPECT_TRUE(logPowers().isEmpty());
}

TEST_F(OnLine, portThatCannotOpenShowsItsNumberAndWhyAndKeepsTheDataFile) {
  settings.comPort = 5;
  goOnLine();
  EXPECT_FALSE(online());
  EXPECT_EQ(seen.status.caption, "Error: Cannot open COM5: no such device");
  EXPECT_EQ(seen.status.captionColour, kRed);
  EXPECT_EQ(seen.portRefusals, 1);
  EXPECT_TRUE(dataFileOpen());
  EXPECT_FALSE(seen.status.onlineTicked);
  port->forbiddenPorts = {5};
  goOnLine();
  EXPECT_EQ(seen.status.caption, "Error: Cannot open COM5: permission denied (dialout)");
}

TEST_F(OnLine, withoutDataFileRecordingAutoPlotIsDisabled) {
  usePort(1);
  settings.writeToZAVdataFile = false;
  goOnLine();
  EXPECT_TRUE(online());
  EXPECT_FALSE(dataFileOpen());
  EXPECT_FALSE(seen.status.autoPlotEnabled);
}

TEST_F(OnLine, simulationStateSwitchesCaptionAndTimer) {
  for (const bool want : {true, false}) {
    link.showSimulationState(want);
    EXPECT_EQ(link.simulating(), want);
    EXPECT_EQ(seen.status.caption, want ? "Energy meter - Simulating" : "Energy meter - OffLine");
    EXPECT_EQ(seen.simulationTimer, want);
  }
}

using OpenCom = LinkTest;

TEST_F(OpenCom, settingsFollowTheInterfaceAndDetectorType) {
  struct Row {
    const char* name;
    int16_t ifType;
    const char* comSetting;
    int32_t detector;
    bool sensor;
    const char* expected;
    double baud;
  };
  const Row rows[] = {
      {"pulseDefault", 1, "", 24840, false, "1200,N,8,1", 1200},
      {"pulseOwnSetting", 1, "300,N,8,1", 24840, false, "300,N,8,1", 300},
      {"controllerIgnoresSetting", 2, "4800,N,8,1", 24840, false, "19200,N,8,1", 19200},
      {"radioController", 3, "", 24840, false, "19200,N,8,1", 19200},
      {"detector24841", 2, "", 24841, false, "2400,N,8,1", 2400},
      {"temperatureReceiver", 1, "1200,N,8,1", 24841, true, "9600,N,8,1", 9600},
  };
  usePort(2);
  for (const Row& r : rows) {
    settings.ifType = r.ifType;
    settings.comSetting = QString::fromLatin1(r.comSetting);
    settings.ZAVdetectorVer = r.detector;
    link.setTempReceiverMode(r.sensor);
    ASSERT_TRUE(open()) << r.name;
    EXPECT_EQ(port->settings(), QString::fromLatin1(r.expected)) << r.name;
    EXPECT_EQ(session.portBaudRate(), r.baud) << r.name;
    EXPECT_EQ(port->breakOn(), r.ifType == 3 && !r.sensor) << r.name;
    EXPECT_EQ(seen.lines.txBreak, r.ifType == 3 && !r.sensor) << r.name;
    EXPECT_TRUE(open(false)) << r.name;
  }
}

TEST_F(OpenCom, diagnosticModesUseTypeFourButLeaveTheSettingAlone) {
  usePort(2);
  settings.ifType = 2;
  link.setTempReceiverMode(true);
  ASSERT_TRUE(open());
  EXPECT_EQ(link.openIfType(), 4);
  EXPECT_EQ(session.settings().ifType, 2);
  EXPECT_EQ(link.sensorBaud(), 9600);
  open(false);
  // Unticked again: the next open is a controller port as before.
  link.setTempReceiverMode(false);
  open();
  EXPECT_EQ(link.openIfType(), 2);
  EXPECT_EQ(port->settings(), "19200,N,8,1");
  open(false);
  link.setProtocolAnalyzerMode(true);
  open();
  EXPECT_EQ(link.openIfType(), 4);
  EXPECT_EQ(session.settings().ifType, 2);
  EXPECT_EQ(port->rThreshold(), 0);  // only line-signal events
}

TEST_F(OpenCom, portNumbersOutsideTheRangeAreRefusedWithTheFieldsError) {
  port->openablePorts = {1};
  const int16_t refused[] = {0, 256, 32767, -1, -32768};
  for (const int16_t n : refused) {
    settings.comPort = n;
    EXPECT_FALSE(open()) << n;
    EXPECT_FALSE(port->portOpen()) << n;
    EXPECT_TRUE(logged(kRedLine + QString::number(n))) << n;
  }
  EXPECT_EQ(seen.portRefusals, 5);
  settings.comPort = 256;
  goOnLine();
  EXPECT_FALSE(online());
  EXPECT_EQ(seen.status.caption, "Error: Cannot open COM256");
}

TEST_F(OpenCom, malformedSettingsTextIsTheSettingsError) {
  settings.ifType = 1;
  settings.comSetting = "9600,X,8,1";
  usePort(1);
  goOnLine();
  EXPECT_FALSE(online());
  EXPECT_FALSE(port->portOpen());
  EXPECT_EQ(seen.settingRefusals, 1);
  EXPECT_TRUE(seen.status.caption.startsWith("Error: Cannot open COM1")) << seen.status.caption.toStdString();
  EXPECT_TRUE(loggedPart("MSGBOX: Error: Cannot open Comport"));
}

TEST_F(OpenCom, ptyWithoutModemLinesOpensWithAWarning) {
  port->openablePorts = {4};
  port->linesWork = false;
  settings.comPort = 4;
  EXPECT_TRUE(open());
  EXPECT_TRUE(port->portOpen());
  EXPECT_TRUE(loggedPart("openCom: WARNING"));
}

TEST_F(OpenCom, lineStatesDriveThePortAndAreAnnounced) {
  usePort(1);
  open();
  const SerialLines rows[] = {{true, true, true}, {true, false, true}, {false, false, false}, {false, true, false}};
  for (const SerialLines& want : rows) {
    link.setSerialLines(want);
    EXPECT_EQ(port->breakOn(), want.txBreak);
    EXPECT_EQ(port->dtrEnable(), want.dtr);
    EXPECT_EQ(port->rtsEnable(), want.rts);
    EXPECT_EQ(link.serialLines(), want);
    EXPECT_EQ(seen.lines, want);
  }
  open(false);
  EXPECT_EQ(seen.lines, SerialLines{});
}

using Search = LinkTest;

namespace {
// Sends a frame on `answering` shortly after it opens.
void answerOn(FakeCommLink* port, const MeterSession* session, int answering, QObject* owner) {
  auto* t = new QTimer(owner);
  QObject::connect(t, &QTimer::timeout, owner, [port, session, answering] {
    if (port->portOpen() && port->commPort() == answering && session->searching()) {
      port->arrive(zavsim::newFrame(zavsim::Reading{}));
    }
  });
  t->start(5);
}
}  // namespace

TEST_F(Search, controllerAnswersOnTheThirdPort) {
  QObject owner;
  port->openablePorts = {1, 2, 3};
  answerOn(port, &session, 3, &owner);
  goOnLine();
  EXPECT_TRUE(online());
  EXPECT_EQ(link.comPort(), 3);
  EXPECT_EQ(seen.chosenPorts, (QList<int>{1, 2, 3}));
  EXPECT_EQ(iniLines(), QStringList{"comPort=3"});
  EXPECT_EQ(seen.ports, (QList<int>{1, 2, 3}));
  EXPECT_FALSE(session.searching());
  EXPECT_EQ(seen.captions.first(), "Energy meter - Searching for detector");
  EXPECT_EQ(seen.status.caption, "Energy meter - waiting for meter at COM3");
  // The three ports were each tested in turn; the search's own opens come after the list.
  EXPECT_EQ(port->openedPorts.mid(3), (QList<int>{1, 2, 3, 3}));
  ASSERT_FALSE(seen.progress.isEmpty());
  EXPECT_EQ(seen.progress.first(), "Reset searching for Zav Controller on all available COM-ports");
  EXPECT_TRUE(seen.progress.contains("initBar 2 0 100 $Testing ComPort1"));
  EXPECT_TRUE(seen.progress.contains("initBar 1 0 3 Testing available COM-ports"));
  EXPECT_TRUE(seen.progress.contains("initBar 2 0 30 $Testing ComPort 3"));
  EXPECT_TRUE(seen.progress.join('\n').contains("initBar 2 0 30 $Zav detector found at ComPort 3  ("));
  EXPECT_EQ(seen.progress.last(), "unload");
}

TEST_F(Search, plainPulseDeviceTakesTheFirstPortThatOpens) {
  settings.ifType = 1;
  port->openablePorts = {5, 9};
  goOnLine();
  EXPECT_TRUE(online());
  EXPECT_EQ(link.comPort(), 5);
  EXPECT_EQ(iniLines(), QStringList{"comPort=5"});
  EXPECT_EQ(port->settings(), "1200,N,8,1");
  EXPECT_EQ(seen.progress.first(), "Reset searching for first available COM-port");
}

TEST_F(Search, noPortOrOnlySilentPortsSayHowToGoOnAndWriteNothing) {
  goOnLine();
  EXPECT_FALSE(online());
  EXPECT_EQ(link.comPort(), 0);
  EXPECT_TRUE(seen.ports.isEmpty());
  EXPECT_TRUE(iniLines().isEmpty());
  EXPECT_FALSE(seen.status.onlineTicked);
  EXPECT_EQ(seen.captions, (QStringList{"Energy meter - Searching for detector",
                                        "Energy meter - No detector found: set the COM port in Setup"}));
  EXPECT_EQ(seen.status.captionColour, kRed);
  EXPECT_EQ(seen.onlineChanges, 0);
  // Ports that open but stay silent are not taken either.
  port->openablePorts = {1, 2};
  goOnLine();
  EXPECT_FALSE(online());
  EXPECT_EQ(link.comPort(), 0);
  EXPECT_EQ(seen.chosenPorts, (QList<int>{0, 1, 2, 0}));
  EXPECT_EQ(seen.ports, (QList<int>{1, 2}));
  EXPECT_TRUE(iniLines().isEmpty());
  EXPECT_FALSE(port->portOpen());
  EXPECT_EQ(seen.status.caption, "Energy meter - No detector found: set the COM port in Setup");
}

TEST_F(Search, portListCannotBeBuiltWhileThePortIsOpen) {
  usePort(1);
  open();
  link.findAvailableComPorts();
  EXPECT_TRUE(logged("MSGBOX: Cannot search ports while on-line!"));
  EXPECT_TRUE(port->portOpen());
}

using Wait = LinkTest;

TEST_F(Wait, yieldingWaitRunsEventsWithoutSpinning) {
  link.setWaitDivisorForTests(1);
  bool ran = false;
  QTimer::singleShot(10, [&] { ran = true; });
  QElapsedTimer wall;
  wall.start();
  const std::clock_t cpu0 = std::clock();
  link.waitMs(300, true);
  const double cpuMs = double(std::clock() - cpu0) * 1000.0 / CLOCKS_PER_SEC;
  EXPECT_TRUE(ran);
  EXPECT_GE(wall.elapsed(), 295);
  EXPECT_LT(cpuMs, 150.0);  // an idle wait, not a busy loop
}

TEST_F(Search, portWithoutPermissionIsSkippedButReported) {
  port->openablePorts = {3};
  port->forbiddenPorts = {2};
  link.findAvailableComPorts();
  EXPECT_EQ(seen.ports, QList<int>{3});
  EXPECT_TRUE(logged("ERROR findAvailableComPorts: ERROR COM2: permission denied (dialout)"));
}

TEST_F(Search, programEndDuringTheSearchStopsItWithoutTakingAPort) {
  QObject owner;
  port->openablePorts = {1, 2, 3};
  answerOn(port, &session, 3, &owner);
  QTimer::singleShot(30, [] { QCoreApplication::exit(0); });
  goOnLine();
  EXPECT_TRUE(link.programEndingDuringWait());
  EXPECT_FALSE(online());
  EXPECT_FALSE(port->portOpen());
  EXPECT_TRUE(iniLines().isEmpty());
  EXPECT_FALSE(session.searching());
  // An exit outside the main loop leaves every later loop returning at once; one run of
  // the main loop clears that for the tests that follow.
  QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

TEST_F(OnLine, goingOnLineAgainReopensThePort) {
  settings.comPort = 3;
  port->openablePorts = {3, 4};
  goOnLine();
  ASSERT_TRUE(online());
  settings.comPort = 4;
  goOnLine();
  EXPECT_TRUE(online());
  EXPECT_TRUE(port->portOpen());
  EXPECT_EQ(port->commPort(), 4);
  EXPECT_EQ(seen.status.caption, "Energy meter - waiting for meter at COM4");
}

// Each link drives its own port for its own session: nothing of one reaches another.
TEST_F(OnLine, anotherLinkKeepsItsOwnPortAndState) {
  MeterSession otherSession;
  FakeCommLink otherPort;
  MeterLink other(otherSession, otherPort);
  LinkRecorder otherSeen(otherSession, other);
  otherPort.openablePorts = {3};
  usePort(3);
  other.setSettings(settings);
  otherSession.setSettings(settings);
  goOnLine();
  EXPECT_TRUE(online());
  EXPECT_FALSE(other.online());
  EXPECT_FALSE(otherPort.portOpen());
  EXPECT_FALSE(otherSession.recorder().isOpen());
  EXPECT_TRUE(otherSeen.captions.isEmpty());
  port->arrive(zavsim::newFrame(zavsim::Reading{}));
  EXPECT_EQ(otherSession.serialReceiver().counters().framesOk, 0);
}
