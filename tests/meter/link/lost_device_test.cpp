// A device that goes away while on-line, a COM search the user cancels, and bytes that
// never make a frame.
#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include "core/settings/setup_values.h"
#include "meter/window/link_view.h"
#include "platform/named_colours.h"
#include "platform/tick_clock.h"
#include "support/pty_pair.h"
#include "tests/meter/link/link_steps.h"
#include "tools/zav_frames.h"

namespace {
constexpr int kRetryMs = kLostDeviceRetryMs / 20;  // the fixture's wait divisor

class LostDevice : public LinkTest {
 protected:
  void onLineAt3() {
    usePort(3);
    ASSERT_TRUE(goOnLine());
    ASSERT_TRUE(dataFileOpen());
  }
};
}  // namespace

TEST_F(LostDevice, isShownAsLostTriedAgainAndRecordsAgainWhenBack) {
  onLineAt3();
  port->openablePorts.clear();  // the adapter is pulled
  port->hangUp();
  EXPECT_FALSE(port->portOpen());
  EXPECT_TRUE(online());  // the user's intent stays
  EXPECT_TRUE(link.deviceLostRetrying());
  EXPECT_EQ(seen.status.caption, "Device lost: hang-up - trying again");
  EXPECT_EQ(seen.status.captionColour, kRed);
  EXPECT_TRUE(seen.status.onlineTicked);
  EXPECT_TRUE(seen.status.stale);
  EXPECT_EQ(seen.idleTimerMs(), 0);
  EXPECT_FALSE(dataFileOpen());  // the section is closed at the loss
  EXPECT_EQ(logPowers(), (QList<double>{-2, -4}));
  EXPECT_TRUE(logged("ERROR MSComm1_OnComm: ERROR hang-up"));

  runEventsFor(3 * kRetryMs);
  EXPECT_FALSE(port->portOpen());
  EXPECT_TRUE(logged("deviceLost: still lost: COM3: no such device"));
  EXPECT_FALSE(loggedPart("ERROR openCom"));  // the retries stay quiet

  port->openablePorts = {3};  // back on the same path
  ASSERT_TRUE(runEventsUntil([&] { return port->portOpen() && !link.deviceLostRetrying(); }, 20 * kRetryMs));
  EXPECT_TRUE(online());
  EXPECT_EQ(seen.status.caption, "Energy meter - waiting for meter at COM3");
  EXPECT_FALSE(seen.status.stale);
  EXPECT_EQ(seen.status.captionColour, kSysColorWindowText);
  EXPECT_TRUE(dataFileOpen());
  EXPECT_EQ(logPowers(), (QList<double>{-2, -4, -2}));
  EXPECT_EQ(seen.lines, (SerialLines{.dtr = true, .rts = true}));
}

TEST_F(LostDevice, goingOffLineWhileLostStopsTryingWithoutASecondMarker) {
  onLineAt3();
  port->hangUp();
  ASSERT_TRUE(link.deviceLostRetrying());
  goOnLine(false);
  EXPECT_FALSE(link.deviceLostRetrying());
  EXPECT_EQ(seen.status.caption, "Energy meter - OffLine");
  EXPECT_FALSE(seen.status.stale);
  EXPECT_EQ(logPowers(), (QList<double>{-2, -4}));
  runEventsFor(3 * kRetryMs);
  EXPECT_FALSE(port->portOpen());
  EXPECT_FALSE(online());
}

TEST_F(LostDevice, aPortClosingWhileOffLineIsOnlyLogged) {
  usePort(3);
  ASSERT_TRUE(open());
  port->hangUp();
  EXPECT_FALSE(link.deviceLostRetrying());
  EXPECT_TRUE(logged("ERROR MSComm1_OnComm: ERROR hang-up"));
  EXPECT_TRUE(logPowers().isEmpty());
}

using CancelSearch = LinkTest;

TEST_F(CancelSearch, cancelStopsBetweenWaitsAndSaysHowToGoOn) {
  port->openablePorts = {1, 2, 3, 4, 5, 6};  // all silent
  QTimer::singleShot(120, [this] { link.cancelComSearch(); });
  goOnLine();
  EXPECT_FALSE(online());
  EXPECT_FALSE(port->portOpen());
  EXPECT_FALSE(session.searching());
  EXPECT_EQ(link.comPort(), 0);
  EXPECT_EQ(seen.status.caption, "Energy meter - Search cancelled: set the COM port in Setup");
  EXPECT_FALSE(seen.status.onlineTicked);
  EXPECT_TRUE(iniLines().isEmpty());
  EXPECT_EQ(seen.progress.last(), "unload");
  // Six listing opens, then at most the port under test when Cancel came.
  EXPECT_LE(port->openedPorts.size(), 7);
  EXPECT_TRUE(logged("searchComPorts: cancelled"));
  // A cancel with no search running does nothing to the next one.
  link.cancelComSearch();
  port->openablePorts = {2};
  QObject owner;
  auto* answer = new QTimer(&owner);
  QObject::connect(answer, &QTimer::timeout, [this] {
    if (port->portOpen() && session.searching()) port->arrive(zavsim::newFrame(zavsim::Reading{}));
  });
  answer->start(5);
  EXPECT_TRUE(goOnLine());
  EXPECT_EQ(link.comPort(), 2);
}

TEST_F(CancelSearch, theProgressWindowsCancelButtonEndsTheSearch) {
  SetupValues values;
  QObject view;  // the windows' owner: the connections end with it
  connectLinkView(
      session, link, values, [] { return nullptr; }, &view);
  port->openablePorts = {1, 2, 3, 4, 5, 6};
  bool clicked = false;
  QTimer::singleShot(150, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* b = w->findChild<QPushButton*>(QStringLiteral("cmdCancel")); b && w->isVisible()) {
        b->click();
        clicked = true;
      }
    }
  });
  goOnLine();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(seen.status.caption, "Energy meter - Search cancelled: set the COM port in Setup");
  EXPECT_LE(port->openedPorts.size(), 7);
}

using NoFrames = LinkTest;

TEST_F(NoFrames, bytesWithoutAValidFramePointAtTheInterfaceTypeOnce) {
  const QString warning =
      "MSComm1_OnComm: WARNING Bytes but no valid frame at COM1 for 10 s: check the interface type in Setup";
  settings.ifType = 2;
  usePort(1);
  ASSERT_TRUE(open());
  session.setOnline(true);
  auto warnings = [&] { return log.lines().filter(QRegularExpression("no valid frame")).size(); };
  const uint32_t t0 = 5000000;
  const struct {
    uint32_t after;
    qsizetype warned;
  } steps[] = {{0, 0}, {9999, 0}, {10000, 1}, {30000, 1}};
  for (const auto& s : steps) {
    holdTickCountForTests(t0 + s.after);
    port->arrive(QByteArray(40, char(0xF0)));  // a plain pulse device's bytes
    EXPECT_EQ(warnings(), s.warned) << s.after;
  }
  EXPECT_TRUE(logged(warning));
  EXPECT_EQ(seen.status.caption, "No valid frame at COM1: check the interface type");
  EXPECT_EQ(seen.status.captionDetail,
            "Energy meter - Bytes but no valid frame at COM1 for 10 s: check the interface type in Setup");
  EXPECT_EQ(seen.status.captionColour, kRed);
  // A valid frame ends the wait; the next silence counts anew.
  holdTickCountForTests(t0 + 31000);
  port->arrive(zavsim::newFrame(zavsim::Reading{}));
  holdTickCountForTests(t0 + 32000);
  port->arrive(QByteArray(40, char(0xF0)));
  holdTickCountForTests(t0 + 41000);
  port->arrive(QByteArray(40, char(0xF0)));
  EXPECT_EQ(warnings(), 1);
  holdTickCountForTests(t0 + 42000);
  port->arrive(QByteArray(40, char(0xF0)));
  EXPECT_EQ(warnings(), 2);
  setTickCountForTests(t0);
}
