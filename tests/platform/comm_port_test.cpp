#include "platform/comm_port.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cerrno>

#include "support/fake_comm_link.h"
#include "support/pty_pair.h"

namespace {
constexpr int kPort = 7;

struct Recorder {
  QList<int> events;
  QByteArray data;
  bool bytesOnlyWithReceive = true;
  void attach(CommLink& link) {
    QObject::connect(&link, &CommLink::onComm, [this](int event, const QByteArray& input) {
      events.append(event);
      data += input;
      if (event != comEv::kReceive && !input.isEmpty()) bytesOnlyWithReceive = false;
    });
  }
};

class CommPortPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    qputenv("ZAV_COM7", pty.slavePath().toLocal8Bit());
    port.setCommPort(kPort);
  }
  void TearDown() override { qunsetenv("ZAV_COM7"); }
  PtyPair pty;
  CommPort port;  // at the pty's COM number
};
}  // namespace

TEST_F(CommPortPty, opensThePtyBehindTheComNumberWithItsSettings) {
  ASSERT_TRUE(port.setSettings("2400,E,7,2"));
  ASSERT_TRUE(port.setPortOpen(true)) << port.lastError().toStdString();
  EXPECT_TRUE(port.portOpen());
  EXPECT_EQ(port.devicePath(), pty.slavePath());
  termios t{};
  ASSERT_EQ(tcgetattr(pty.masterFd(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), speed_t(B2400));
  // A pty forces 8 data bits without parity; speed and stop bits are kept.
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_iflag & PARMRK);
  // Changed settings on an open port take effect at once.
  ASSERT_TRUE(port.setSettings("19200,N,8,1"));
  ASSERT_EQ(tcgetattr(pty.masterFd(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  EXPECT_EQ(port.settings(), "19200,N,8,1");
  // A rate without a termios constant goes through termios2.
  EXPECT_TRUE(port.setSettings("14400,N,8,1")) << port.lastError().toStdString();
  EXPECT_TRUE(port.setPortOpen(false));
  EXPECT_FALSE(port.portOpen());
}

TEST_F(CommPortPty, modemLinesOfAPtyAreAWarningNotAFailure) {
  ASSERT_TRUE(port.setPortOpen(true));
  EXPECT_FALSE(port.modemLinesAvailable());
  EXPECT_FALSE(port.setDTREnable(true));
  EXPECT_FALSE(port.setRTSEnable(true));
  EXPECT_TRUE(port.portOpen());
  EXPECT_TRUE(port.dtrEnable());
  EXPECT_TRUE(port.rtsEnable());
  port.setBreak(true);
  port.setBreak(false);
  EXPECT_TRUE(port.portOpen());
}

TEST_F(CommPortPty, receiveEventHandsOverAllWaitingBinaryBytesAndOutputSends) {
  port.setRThreshold(1);
  Recorder rec;
  rec.attach(port);
  ASSERT_TRUE(port.setPortOpen(true));
  const QByteArray bytes = QByteArray::fromHex("00ff0d0a1a11130369ffff00ff");
  pty.write(bytes);
  ASSERT_TRUE(runEventsUntil([&] { return rec.data.size() >= bytes.size(); }, 2000));
  EXPECT_EQ(rec.data, bytes);
  EXPECT_FALSE(rec.events.isEmpty());
  for (int e : rec.events) EXPECT_EQ(e, comEv::kReceive);
  EXPECT_EQ(port.inBufferCount(), 0);  // handed over: nothing waits
  // And binary bytes out.
  const QByteArray frame = QByteArray::fromHex("369a1b2b17ff00cc");
  EXPECT_TRUE(port.output(frame));
  EXPECT_EQ(pty.readFor(200), frame);
}

TEST_F(CommPortPty, noReceiveEventsWithThresholdZero) {
  port.setRThreshold(0);
  Recorder rec;
  rec.attach(port);
  ASSERT_TRUE(port.setPortOpen(true));
  pty.write("abc");
  runEventsUntil([&] { return port.inBufferCount() == 3; }, 2000);
  EXPECT_TRUE(rec.events.isEmpty());
  EXPECT_EQ(port.input(), "abc");
}

TEST_F(CommPortPty, unreadInputKeepsEveryByteWithoutAnOverflow) {
  port.setRThreshold(0);  // no receive events: nobody is handed the bytes
  Recorder rec;
  rec.attach(port);
  ASSERT_TRUE(port.setPortOpen(true));
  QByteArray sent;
  for (int i = 0; i < 5000; ++i) sent.append(char('a' + i % 26));
  pty.write(sent);
  runEventsUntil([&] { return port.inBufferCount() == sent.size(); }, 3000);
  EXPECT_FALSE(rec.events.contains(comEv::kRxOver));
  EXPECT_FALSE(rec.events.contains(comEv::kOverrun));
  EXPECT_EQ(port.input(), sent);
}

TEST_F(CommPortPty, hangUpClosesThePortOnce) {
  port.setRThreshold(1);
  QSignalSpy closed(&port, &CommLink::closedByError);
  ASSERT_TRUE(port.setPortOpen(true));
  pty.closeMaster();
  ASSERT_TRUE(runEventsUntil([&] { return !port.portOpen(); }, 2000));
  runEventsFor(50);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_TRUE(port.lastError().contains("closed after")) << port.lastError().toStdString();
}

TEST_F(CommPortPty, secondOpenOfTheSameDeviceIsRefused) {
  CommPort second;
  second.setCommPort(kPort);
  ASSERT_TRUE(port.setPortOpen(true));
  EXPECT_FALSE(second.setPortOpen(true));
  EXPECT_EQ(second.lastErrorKind(), CommError::InUse);
  EXPECT_TRUE(second.lastError().contains("in use")) << second.lastError().toStdString();
  port.setPortOpen(false);
  EXPECT_TRUE(second.setPortOpen(true)) << second.lastError().toStdString();
}

TEST_F(CommPortPty, symbolicLinkIsResolvedToTheRealDevice) {
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyLink");
  ASSERT_TRUE(QFile::link(pty.slavePath(), link));
  qputenv("ZAV_COM7", link.toLocal8Bit());
  ASSERT_TRUE(port.setPortOpen(true));
  EXPECT_EQ(port.devicePath(), pty.slavePath());
}

TEST(CommPort, failuresSayWhy) {
  const struct {
    const char* device;
    CommError kind;
    const char* text;
  } rows[] = {{"/dev/does-not-exist-zav", CommError::NoDevice, "no such device"},
              {"/dev/null", CommError::NotSerial, "not a serial port"}};
  CommPort port;
  port.setCommPort(9);
  for (const auto& r : rows) {
    qputenv("ZAV_COM9", r.device);
    EXPECT_FALSE(port.setPortOpen(true)) << r.device;
    EXPECT_EQ(port.lastErrorKind(), r.kind) << r.device;
    EXPECT_TRUE(port.lastError().contains(r.text)) << port.lastError().toStdString();
  }
  qunsetenv("ZAV_COM9");
  EXPECT_FALSE(port.setSettings("9600,Q,8,1"));
  EXPECT_EQ(port.lastErrorKind(), CommError::Settings);
  port.setCommPort(200);
  EXPECT_FALSE(port.setPortOpen(true));
  EXPECT_FALSE(port.portOpen());
  const QString denied = commOpenErrorText("COM1 (/dev/ttyS0)", EACCES);
  EXPECT_TRUE(denied.startsWith("COM1 (/dev/ttyS0)") && denied.contains("dialout")) << denied.toStdString();
}

TEST(CommLinkFake, eventsAndInputReachAnOpenPortOnlyAndItOpensOnce) {
  FakeCommLink link;
  link.openablePorts = {2};
  link.setCommPort(2);
  Recorder rec;
  rec.attach(link);
  link.lineEvent(comEv::kCD);  // closed: nothing
  ASSERT_TRUE(link.setPortOpen(true));
  EXPECT_FALSE(link.setPortOpen(true));
  for (int e : {comEv::kCTS, comEv::kDSR, comEv::kCD, comEv::kRing, comEv::kBreak, comEv::kFrame}) {
    link.lineEvent(e);
  }
  EXPECT_EQ(rec.events,
            (QList<int>{comEv::kCTS, comEv::kDSR, comEv::kCD, comEv::kRing, comEv::kBreak, comEv::kFrame}));
  link.arrive("xyz");  // no receive events: the bytes wait
  EXPECT_EQ(link.inBufferCount(), 3);
  link.setRThreshold(2);
  link.arrive("!");
  EXPECT_EQ(rec.events.last(), comEv::kReceive);
  EXPECT_EQ(rec.data, "xyz!");  // every waiting byte, handed over with the event
  EXPECT_TRUE(rec.bytesOnlyWithReceive);
  EXPECT_EQ(link.inBufferCount(), 0);
  link.arrive("w");  // below the threshold: it waits
  EXPECT_EQ(link.inBufferCount(), 1);
  EXPECT_TRUE(link.setPortOpen(false));
  EXPECT_EQ(link.inBufferCount(), 0);
  link.arrive("late");  // a closed port takes nothing
  EXPECT_EQ(link.inBufferCount(), 0);
}

TEST(CommLinkFake, unreadInputIsBoundedAndItsLossToldOnceUntilRead) {
  FakeCommLink link;
  link.openablePorts = {1};
  Recorder rec;
  rec.attach(link);
  ASSERT_TRUE(link.setPortOpen(true));  // threshold 0: nobody reads (the protocol analyser)
  const QByteArray chunk(4096, 'a');
  for (qsizetype n = 0; n < CommLink::kMaxHeldInput; n += chunk.size()) link.arrive(chunk);
  EXPECT_TRUE(rec.events.isEmpty());  // up to the bound nothing is lost
  link.arrive("bc");
  link.arrive("d");
  EXPECT_EQ(rec.events, QList<int>{comEv::kRxOver});
  const QByteArray kept = link.input();
  EXPECT_EQ(kept.size(), CommLink::kMaxHeldInput);
  EXPECT_TRUE(kept.endsWith("abcd"));  // the newest bytes stay
  for (qsizetype n = 0; n <= CommLink::kMaxHeldInput; n += chunk.size()) link.arrive(chunk);
  EXPECT_EQ(rec.events.size(), 2);  // read in between: the next loss is told again
  link.setRThreshold(1);
  link.arrive("x");  // handed over with a receive event: that is a read too
  link.setRThreshold(0);
  for (qsizetype n = 0; n <= CommLink::kMaxHeldInput; n += chunk.size()) link.arrive(chunk);
  EXPECT_EQ(rec.events.last(), comEv::kRxOver);
}

TEST(CommLinkFake, badSettingsTextIsRefusedAndTheOldOneStays) {
  FakeCommLink link;
  ASSERT_TRUE(link.setSettings("1200,N,8,1"));
  EXPECT_FALSE(link.setSettings("1200;N;8;1"));
  EXPECT_FALSE(link.lastError().isEmpty());
  EXPECT_EQ(link.settings(), "1200,N,8,1");
}
