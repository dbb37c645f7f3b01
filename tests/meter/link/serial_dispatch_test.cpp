#include <QRegularExpression>

#include "tests/meter/link/link_steps.h"
#include "platform/comm_port.h"
#include "platform/tick_clock.h"
#include "support/pty_pair.h"
#include "tools/zav_frames.h"

namespace {
// A sensor frame as the receiver delivers it: one byte per bit, 0x00 for 0 and 0xF0 for 1.
QByteArray sensorBytes(int id, int t1, int t2, int t3, int a1, int a2, bool badChecksum = false) {
  QString bits = "10100000";
  auto put = [&](int v, int n) {
    for (int i = n - 1; i >= 0; --i) bits += (v >> i) & 1 ? '1' : '0';
  };
  put(id, 7);
  put(0, 1);
  for (int v : {t1, t2, t3, a1, a2}) put(v, 4);
  int sum = 0;
  for (int g = 0; g < 9; ++g) sum += bits.mid(4 * g, 4).toInt(nullptr, 2);
  put((sum + (badChecksum ? 1 : 0)) % 16, 4);
  QByteArray out;
  for (QChar c : bits) out.append(c == '1' ? char(0xF0) : char(0x00));
  return out;
}

class Dispatch : public LinkTest {
 protected:
  // Plain pulse readings handed to the count processor so far (its level-4 line each).
  int readingsHandedOn() const {
    return int(log.lines().filter(QRegularExpression("^MSComm1_OnComm: timerTicks=")).size());
  }
  void openAs(int16_t type) {
    settings.ifType = type;
    usePort(1);
    ASSERT_TRUE(open());
    session.setOnline(true);
  }
  int32_t counter(int kind) const { return link.comEventCounter(kind); }
  const Reading& latest() const { return session.latestReading(); }
  const QByteArray& serialBuffer() const { return session.serialReceiver().buffer(); }
};
}  // namespace

TEST_F(Dispatch, eventsAreCountedByKind) {
  settings.advancedFunctions = true;
  openAs(2);
  const int events[] = {comEv::kFrame, comEv::kBreak, comEv::kOverrun, comEv::kRxOver, comEv::kCTS,
                        comEv::kDSR,   comEv::kCD,    comEv::kRing,    comEv::kSend,   4711};
  for (int e : events) port->lineEvent(e);
  const QByteArray halfFrame = zavsim::newFrame(zavsim::Reading{}).left(10);
  port->arrive(halfFrame);
  EXPECT_EQ(counter(0), 11);
  for (int kind = 1; kind <= 11; ++kind) EXPECT_EQ(counter(kind), 1) << kind;
  EXPECT_EQ(counter(12), 0);
  EXPECT_EQ(seen.counted.value(0), 11);
  EXPECT_EQ(seen.counted.value(3), 1);
  EXPECT_EQ(serialBuffer(), halfFrame);  // handed to the frame parser, which waits for more
  EXPECT_EQ(seen.breaks, 0);
}

// Read later, bytes of an off-line moment would pass for new ones.
TEST_F(Dispatch, eventsWhileOffLineAreOnlyCountedAndTheirBytesDropped) {
  openAs(2);
  session.setOnline(false);
  port->arrive("xyz");
  EXPECT_EQ(counter(12), 1);
  EXPECT_EQ(counter(2), 0);
  EXPECT_TRUE(serialBuffer().isEmpty());
  EXPECT_EQ(port->inBufferCount(), 0);
}

TEST_F(Dispatch, clearingOneCounterOrAll) {
  openAs(2);
  port->lineEvent(comEv::kFrame);
  port->lineEvent(comEv::kCTS);
  link.clearComEventCounters(3);
  EXPECT_EQ(counter(3), 0);
  EXPECT_EQ(counter(7), 1);
  link.clearComEventCounters(-1);
  for (int kind = 0; kind < kComEventCounters; ++kind) EXPECT_EQ(counter(kind), 0);
  link.setComEventCounterForTests(5, 999999);
  port->lineEvent(comEv::kOverrun);
  EXPECT_EQ(counter(5), 0);  // modulo 1000000
}

TEST_F(Dispatch, aDriverOverrunDropsTheFrameBeingGatheredAndIsLogged) {
  openAs(2);
  port->setRThreshold(0);  // nobody reads: the bytes wait
  port->arrive(QByteArray(5000, 'x'));
  EXPECT_EQ(counter(6), 0);  // waiting bytes are no overflow
  EXPECT_EQ(port->inBufferCount(), 5000);
  session.serialBytes(QByteArray("\x36\x9A\x47", 3));  // a frame being gathered
  ASSERT_FALSE(serialBuffer().isEmpty());
  for (int ev : {comEv::kRxOver, comEv::kOverrun}) port->lineEvent(ev);
  EXPECT_EQ(counter(5), 1);
  EXPECT_EQ(counter(6), 1);
  EXPECT_TRUE(serialBuffer().isEmpty());
  EXPECT_EQ(port->inBufferCount(), 5000);  // what waits arrived after the loss and is whole
  EXPECT_TRUE(logged("ERROR MSComm1_OnComm: ERROR the driver lost received bytes (input buffer overflow)"));
  EXPECT_TRUE(logged("ERROR MSComm1_OnComm: ERROR the driver lost received bytes (receive overrun)"));
}

TEST_F(Dispatch, threeBytesInOneEventAreThreeCountsAndOneReading) {
  openAs(1);
  port->arrive(QByteArray::fromHex("f0f0e0"));
  ASSERT_EQ(readingsHandedOn(), 1);
  EXPECT_EQ(latest().count, 4);  // pulseCount starts at 1 on the first receive event
  EXPECT_EQ(latest().status, 0xF0);
  EXPECT_EQ(latest().resetCount, 1);
  EXPECT_EQ(latest().temperature, -32768);
  EXPECT_EQ(latest().voltage, -32768);
  port->arrive(QByteArray::fromHex("f0"));
  EXPECT_EQ(latest().count, 5);
  EXPECT_EQ(readingsHandedOn(), 2);
  // A break lights the indicator only for the plain pulse device.
  port->lineEvent(comEv::kBreak);
  EXPECT_EQ(seen.breaks, 1);
}

TEST_F(Dispatch, prescaleKeepsTheRemainderForTheNextPulse) {
  settings.prescale = 2;
  openAs(1);
  const int32_t before = 1;  // the first receive event starts the count at 1
  port->arrive("abc");
  EXPECT_EQ(latest().count, before + 1);
  EXPECT_EQ(readingsHandedOn(), 1);
  port->arrive("d");  // with the "c" kept: one more count
  EXPECT_EQ(latest().count, before + 2);
  port->arrive("e");
  EXPECT_EQ(latest().count, before + 2);
  EXPECT_EQ(readingsHandedOn(), 2);
}

TEST_F(Dispatch, pulseSoonerThanTheMinimumIntervalWaitsForTimer3) {
  settings.minUpdateInterval = 5;
  openAs(1);
  session.setPulsePendingForTests(false, timeGetTime());
  port->arrive("p");
  EXPECT_EQ(readingsHandedOn(), 0);
  EXPECT_TRUE(session.pulsePending());
  EXPECT_GT(session.idleCountdownMs(), 4000);
  EXPECT_LE(session.idleCountdownMs(), 5000);
  EXPECT_EQ(seen.idleTimerMs(), session.idleCountdownMs());
  // A huge interval is capped at the timer's 65535 ms, never overflows.
  settings.minUpdateInterval = 1e12;
  apply();
  port->arrive("p");
  EXPECT_EQ(seen.idleTimerMs(), 65535);
  EXPECT_EQ(readingsHandedOn(), 0);
}

TEST_F(Dispatch, sensorFrameShowsTheTemperature) {
  settings.ifType = 2;
  link.setTempReceiverMode(true);
  openAs(2);
  const QByteArray frame = sensorBytes(0x55, 7, 3, 4, 2, 1);
  port->arrive(QByteArray(5, char(0x55)) + frame.left(17));  // noise, then half a frame
  EXPECT_TRUE(seen.temperature.isEmpty());
  port->arrive(frame.mid(17));
  EXPECT_EQ(seen.temperature, "+23.4 °C");
  EXPECT_TRUE(serialBuffer().isEmpty());
}

TEST(SensorDecoder, negativeTemperaturesAndBadFramesAreHandled) {
  QByteArray buffer;
  EXPECT_EQ(decodeSensorBytes(buffer, sensorBytes(1, 4, 5, 5, 0, 0), 9600), QStringList{"-4.5 °C"});
  EXPECT_TRUE(buffer.isEmpty());
  buffer.clear();
  EXPECT_TRUE(decodeSensorBytes(buffer, sensorBytes(1, 7, 3, 4, 0, 0, true), 9600).isEmpty());
  buffer.clear();
  QByteArray dirty = sensorBytes(1, 7, 3, 4, 0, 0);
  dirty[20] = char(0x33);  // not a clean bit
  EXPECT_TRUE(decodeSensorBytes(buffer, dirty, 9600).isEmpty());
  // Two frames in one go, then garbage that cannot hold a preamble keeps only 7 bytes.
  buffer.clear();
  EXPECT_EQ(decodeSensorBytes(buffer, sensorBytes(1, 6, 0, 0, 0, 0) + sensorBytes(2, 5, 0, 1, 0, 0), 9600),
            (QStringList{"+10.0 °C", "+0.1 °C"}));
  EXPECT_TRUE(decodeSensorBytes(buffer, QByteArray(300, char(0x33)), 9600).isEmpty());
  EXPECT_EQ(buffer.size(), 7);
}

TEST_F(Dispatch, protocolAnalyserCapturesCarrierEdgesOnly) {
  link.setProtocolAnalyzerMode(true);
  link.setDcdCaptureEnabled(true);
  link.clearDcdCapture(2);
  openAs(2);
  port->lineEvent(comEv::kCD);
  port->lineEvent(comEv::kCTS);
  port->lineEvent(comEv::kCD);
  port->lineEvent(comEv::kCD);
  EXPECT_EQ(link.dcdCount(), 2);
  EXPECT_GT(link.dcdTimes()[1], link.dcdTimes()[0] - 1);
  EXPECT_EQ(counter(0), 0);
}

TEST_F(Dispatch, sensorFrameFromTheSimulatorThroughARealPty) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  qputenv("ZAV_COM9", pty.slavePath().toLocal8Bit());
  // A link of its own around the real port.
  CommPort real;
  MeterSession realSession;
  MeterLink realLink(realSession, real);
  LinkRecorder realSeen(realSession, realLink);
  realLink.setTempReceiverMode(true);
  settings.comPort = 9;
  realSession.setSettings(settings);
  realLink.setSettings(settings);
  ASSERT_TRUE(realLink.openCom(true).ok()) << real.lastError().toStdString();
  realSession.setOnline(true);
  pty.write(QByteArray(3, char(0x80)) + zavsim::sensorFrame(-7.3));
  EXPECT_TRUE(runEventsUntil([&] { return !realSeen.temperature.isEmpty(); }, 2000));
  EXPECT_EQ(realSeen.temperature, "-7.3 °C");
  realLink.closeCom();
  qunsetenv("ZAV_COM9");
}
