// Frame parser: frames cut from a byte stream, decoded, checked and handed on.

#include "core/log/message_log.h"
#include "tests/meter/engine/engine_fixture.h"
#include "tests/meter/engine/frame_bytes.h"

namespace {

zavsim::Reading readingWith(uint32_t count) { return frames::reading(count, count * 1000); }
QByteArray frameWith(uint32_t count) { return zavsim::newFrame(readingWith(count)); }

// The old controller's frame as transmitter 7 with program 24000 sends it.
zavsim::Reading oldReading() {
  zavsim::Reading r{.pgmID = 24000, .txID = 7, .count = 1, .status = 0, .oldTemp = 40};
  return r;
}

class Parser : public EngineTest {
 protected:
  void zavDataArrival(const QByteArray& bytes) { m_session.serialBytes(bytes); }
  void zavDataArrivalNet(const QByteArray& bytes) { m_session.networkBytes(bytes); }
  const FrameReceiver& serialFrameReceiver() const { return m_session.serialReceiver(); }
  const FrameReceiver& netFrameReceiver() const { return m_session.networkReceiver(); }
  const Reading& latest() const { return m_session.latestReading(); }
  void useDetector(int32_t detectorVer) {
    m_settings.ZAVdetectorVer = detectorVer;
    apply();
  }
};

TEST_F(Parser, NewFrameFieldsBecomeTheLatestReading) {
  zavsim::Reading f = frames::reading(0xFFFFFFF0u, 0x80000001u);
  f.temp1 = 0x11;
  f.temp2 = 0xF0;
  f.voltRaw = 200;
  f.status = 0x50;
  zavDataArrival(zavsim::newFrame(f));
  EXPECT_EQ(latest().count, int32_t(0xFFFFFFF0u));
  EXPECT_EQ(latest().ticks, int32_t(0x80000001u));
  EXPECT_EQ(latest().temperature, 0xF0);
  EXPECT_EQ(latest().voltage, 200);
  EXPECT_EQ(latest().status, 0x50);
  EXPECT_EQ(latest().resetCount, 0);
  EXPECT_EQ(m_counts.size(), 1u);
  EXPECT_TRUE(serialFrameReceiver().buffer().isEmpty());
  EXPECT_TRUE(
      m_log.contains("  pgmID=6108  txID=4660  cntDbl=4294967280  count=-16  timDbl=2147483649"
                     "  cTime(0)=-2147483647  elapsed count=-16"));
}

TEST_F(Parser, TemperatureFallsBackToTheFirstSensor) {
  zavsim::Reading f = readingWith(1);
  f.temp1 = 0x22;
  zavDataArrival(zavsim::newFrame(f));
  EXPECT_EQ(latest().temperature, 0x22);
  f.temp1 = 0x80;
  zavDataArrival(zavsim::newFrame(f));
  EXPECT_EQ(latest().temperature, 0x80);
}

TEST_F(Parser, OldFrameFieldsAndNegativeTemperature) {
  useDetector(24000);
  zavsim::Reading f = oldReading();
  f.count = 77;
  f.ticks = 123456;
  f.oldTemp = -32768;
  f.status = 9;
  zavDataArrival(zavsim::oldFrame(f));
  ASSERT_EQ(serialFrameReceiver().counters().framesOk, 1);
  EXPECT_EQ(latest().count, 77);
  EXPECT_EQ(latest().ticks, 123456);
  EXPECT_EQ(latest().temperature, -32768);
  EXPECT_EQ(latest().voltage, -32768);
  EXPECT_EQ(latest().status, 9);
  EXPECT_EQ(latest().resetCount, 1);
  EXPECT_TRUE(m_log.contains("UBound rByte()=15  pgmID=5DC0  txID=7"));
  f.oldTemp = 32767;
  zavDataArrival(zavsim::oldFrame(f));
  EXPECT_EQ(latest().temperature, 32767);
}

TEST_F(Parser, OldFrameWithBadChecksumIsRefused) {
  useDetector(24000);
  zavDataArrival(frames::oldFrameBadSum(oldReading()));
  EXPECT_EQ(serialFrameReceiver().counters().checkErrors, 1);
  EXPECT_TRUE(m_log.contains("  chs=255  checksum error"));
}

TEST_F(Parser, SplitAtEveryOffsetGivesOneReading) {
  const QByteArray f = frameWith(1);
  for (int cut = 1; cut < f.size(); ++cut) {
    m_counts.clear();
    zavDataArrival(f.left(cut));
    EXPECT_TRUE(m_counts.empty()) << cut;
    zavDataArrival(f.mid(cut));
    EXPECT_EQ(m_counts.size(), 1u) << cut;
    EXPECT_TRUE(serialFrameReceiver().buffer().isEmpty()) << cut;
  }
}

TEST_F(Parser, PartialSecondFrameWaitsFromItsStartMarker) {
  const QByteArray a = frameWith(1), b = frameWith(2);
  zavDataArrival(a + b.left(20));
  EXPECT_EQ(m_counts, std::vector<int32_t>{1});
  EXPECT_EQ(serialFrameReceiver().buffer(), b.left(20));
  zavDataArrival(b.mid(20));
  EXPECT_EQ(m_counts, (std::vector<int32_t>{1, 2}));
}

TEST_F(Parser, TwoFramesInOneChunkAreHandedOnInOrder) {
  zavDataArrival(frameWith(1) + frameWith(2));
  EXPECT_EQ(m_counts, (std::vector<int32_t>{1, 2}));
  // The second frame's text repeats the first's.
  EXPECT_EQ(m_log.text().count("elapsed count="), 3);
  EXPECT_TRUE(m_log.contains("  oldBuffLen=0  buffLen=74  rcvd bytes=74\n"));
}

TEST_F(Parser, BytesWithoutStartMarkerKeepOnlyTheLast) {
  zavDataArrival(QByteArray("\x01\x02\x03\x36", 4));
  EXPECT_EQ(serialFrameReceiver().buffer(), QByteArray("\x36"));
  useDetector(24000);
  m_session.dropSerialBytes();
  zavDataArrival(QByteArray("abcdef"));
  EXPECT_EQ(serialFrameReceiver().buffer(), QByteArray("f"));
  EXPECT_TRUE(m_log.text().isEmpty());
}

TEST_F(Parser, MissingEndMarkerResumesAfterTheStartMarker) {
  QByteArray broken = frameWith(1);
  broken.chop(1);  // no end marker: the next frame's start sits in its place
  zavDataArrival(broken + frameWith(2));
  EXPECT_EQ(m_counts, std::vector<int32_t>{2});
  EXPECT_EQ(serialFrameReceiver().counters().resyncs, 1);
  EXPECT_TRUE(serialFrameReceiver().buffer().isEmpty());
}

TEST_F(Parser, LargeChunksOfMarkersAndFramesAreAllReadWithBoundedMessages) {
  QByteArray junk;
  for (int i = 0; i < 200000; ++i) junk += QByteArray("\x36\x9A", 2);
  QByteArray frames;
  for (uint32_t c = 1; c <= 3000; ++c) frames += frameWith(c);
  zavDataArrival(junk + frames);
  EXPECT_EQ(m_counts.size(), 3000u);
  EXPECT_TRUE(serialFrameReceiver().buffer().isEmpty());
  // Each message of the call stays bounded.
  qsizetype longest = 0;
  for (const QString& line : m_log.text().split("  oldBuffLen=")) longest = std::max(longest, line.size());
  EXPECT_LT(longest, 32 * 1024);
}

TEST_F(Parser, EarlierOfTheTwoStartMarkersBeginsTheFrame) {
  zavDataArrival(zavsim::newFrame(readingWith(1), true) + frameWith(2));
  EXPECT_EQ(m_counts, (std::vector<int32_t>{1, 2}));
}

TEST_F(Parser, CountStepOfOneLogsAtDetailLevelOthersAtSummary) {
  MessageLog::setLevel(3);
  zavDataArrival(frameWith(1));  // previous count 0: a step of one
  EXPECT_FALSE(m_log.contains("elapsed count="));
  zavDataArrival(frameWith(5));
  EXPECT_TRUE(m_log.contains("elapsed count=4"));
  EXPECT_EQ(serialFrameReceiver().lastFrameCount(), 5);
}

TEST_F(Parser, TransmitterIdFiltersOnlyWhenSet) {
  m_settings.ZAVmeterID = 7;
  apply();
  zavDataArrival(frameWith(1));
  EXPECT_TRUE(m_counts.empty());
  EXPECT_TRUE(m_log.contains("  txID=4660  wrong txID"));
  m_settings.ZAVmeterID = 0x1234;
  apply();
  zavDataArrival(frameWith(2));
  EXPECT_EQ(m_counts.size(), 1u);
}

TEST_F(Parser, WrongProgramIdAndFcsAreRefused) {
  zavsim::Reading f = readingWith(1);
  f.pgmID = 24841;
  zavDataArrival(zavsim::newFrame(f));
  EXPECT_TRUE(m_log.contains("  pgmID=6109  wrong pgmID"));
  zavDataArrival(frames::newFrameBadFcs(readingWith(2)));
  EXPECT_TRUE(m_log.contains("  chs=-1  checksum error"));
  EXPECT_TRUE(m_counts.empty());
  EXPECT_EQ(serialFrameReceiver().counters().checkErrors, 2);
}

TEST_F(Parser, SearchStoresTheReadingAndEndsTheWait) {
  bool detectorAnswered = false;
  QObject::connect(&m_session, &MeterSession::detectorAnswered, &m_session, [&] { detectorAnswered = true; });
  m_session.setOnline(false);
  m_session.setSearching(true);
  zavDataArrival(frameWith(42) + frameWith(43).left(5));
  m_session.setSearching(false);
  EXPECT_TRUE(detectorAnswered);
  EXPECT_EQ(latest().count, 42);
  EXPECT_TRUE(m_counts.empty());
  EXPECT_TRUE(serialFrameReceiver().buffer().isEmpty());
  zavDataArrival(frameWith(44));
  EXPECT_EQ(latest().count, 42);
  EXPECT_TRUE(serialFrameReceiver().buffer().isEmpty());  // dropped, not buffered
}

TEST_F(Parser, NetworkPathRunsOnlyOnLineAndAlwaysInTheNewFormat) {
  m_session.setOnline(false);
  m_session.setSearching(true);
  zavDataArrivalNet(frameWith(1));
  m_session.setSearching(false);
  EXPECT_TRUE(netFrameReceiver().buffer().isEmpty());
  m_session.setOnline(true);
  zavDataArrivalNet(frameWith(1));
  EXPECT_EQ(m_counts.size(), 1u);
  useDetector(24000);
  zavDataArrivalNet(frameWith(2));
  EXPECT_EQ(m_counts.size(), 1u);
  EXPECT_TRUE(m_log.contains("decodeData: undefined code: "));
  EXPECT_TRUE(m_log.contains("  datLen Error: expDatLen=17  rcvdDatLen=0"));
}

TEST_F(Parser, EachEntryPointKeepsItsOwnTraceAndBuffer) {
  const QByteArray f = frameWith(1);
  zavDataArrival(f.left(3));
  zavDataArrival(f.mid(3, 2));
  EXPECT_EQ(serialFrameReceiver().rxHexTrace(), "36 9A 47+17 1B+");
  zavDataArrivalNet(f.mid(5, 1));
  EXPECT_EQ(netFrameReceiver().rxHexTrace(), "2D+");
  EXPECT_EQ(serialFrameReceiver().buffer(), f.left(5));
  EXPECT_EQ(netFrameReceiver().buffer(), f.mid(5, 1));
}

}  // namespace
