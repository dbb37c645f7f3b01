// The web's graph picture as a job: made from the request and the settings,
// drawn and encoded from the job's own data, on the caller's thread or on the
// chart's pool while the event loop goes on.
#include "chart/graph_image.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "chart_fixture.h"
#include "core/log/logmsg.h"
#include "core/log/message_log.h"
#include "support/headless_env.h"
#include "tests/plot/plot_log.h"

namespace {
class GraphImageTest : public ChartFixture {
 protected:
  void SetUp() override {
    ChartFixture::SetUp();
    logMsg(0, QString());  // an empty window, so its length rule does not lower the level
  }
  GraphImageJob job(const QString& query, const QString& type = "png") const {
    return makeGraphImageJob(query, type, m_settings, testTime(2024, 3, 31, 12));
  }
  QByteArray bytes(const QString& query, const QString& type) const {
    return renderGraphImage(job(query, type)).valueOr({});
  }
  QImage image(const QString& query, const QString& type = "png") const {
    return QImage::fromData(bytes(query, type));
  }
  // Waits for a picture while the event loop runs; the log lines of the worker arrive meanwhile.
  static Result<QByteArray> waitFor(const QFuture<Result<QByteArray>>& future) {
    const bool finished = QTest::qWaitFor([&] { return future.isFinished(); }, 60000);
    QCoreApplication::processEvents();
    return finished ? future.result() : Result<QByteArray>(Failure("still drawing"));
  }
};

bool startsWith(const QByteArray& bytes, const char* magic) { return bytes.startsWith(QByteArray(magic)); }
}  // namespace

TEST_F(GraphImageTest, APictureIsDrawnFromTheJobAloneAndTouchesNoChartState) {
  HeadlessLog log;
  MessageLog::setLevel(4);        // the job's lines are actions and details, never errors
  m_settings.maxPlotPoints = 30;  // a short point dump
  const QByteArray png = bytes("w=300&h=200", "png");
  EXPECT_EQ(QImage::fromData(png).size(), QSize(300, 200));
  const QStringList lines = log.lines();
  EXPECT_EQ(lines.filter(QRegularExpression("^ERROR")), QStringList());
  EXPECT_TRUE(lines.contains("Form4.makeZavGraph"));
  EXPECT_TRUE(lines.join("\n").contains("writeImage: OK, stream created\nbytes = " + QString::number(png.size())));
  // The job drew the recorded power: the graph has a series with points.
  const GraphImage drawn = drawGraphImage(job("w=300&h=200"));
  ASSERT_GE(drawn.graph.series.size(), 2);
  EXPECT_GT(drawn.series[1].points.size(), 2);
  EXPECT_EQ(drawn.picture.size(), QSize(300, 200));
}

// The job reads the file's index itself: a web graph while nothing has loaded
// the plotted slot's index (the meter off-line, no Plot pressed) shows the records.
TEST_F(GraphImageTest, ThePlottedFileIsReadWithoutItsSlotIndex) {
  testDataFileSlots()[0] = dataFileIndex{};
  const GraphImage drawn = drawGraphImage(job("r=3h&e=2024-03-31 06:00:00"));
  ASSERT_GE(drawn.series.size(), 2);
  EXPECT_GT(drawn.series[1].points.size(), 100);
  EXPECT_EQ(drawn.param.toTime, testTime(2024, 3, 31, 6));
  // Without an end time the range is the whole file, as its index says.
  const GraphImage all = drawGraphImage(job(""));
  EXPECT_DOUBLE_EQ(all.param.toTime, testTime(2024, 3, 31, 12));
  EXPECT_DOUBLE_EQ(all.param.fromTime, testTime(2024, 3, 31, 0));
  // A file that is not there draws a picture without series.
  m_settings.zavDatFileName[0] = zavDatFileName[0] + ".gone";
  const GraphImage none = drawGraphImage(job("w=200&h=100"));
  EXPECT_EQ(none.series.size(), 1);
  EXPECT_EQ(none.picture.size(), QSize(200, 100));
}

TEST_F(GraphImageTest, AHealthyWebGraphAddsNothingAtErrorsOnlyAndNoPictureDetailsToTheSummary) {
  const char* details[] = {"plotJtGraphToPicture()", "temporaty plotForm", "zavPlotFileNr", "thisDTime",
                           "setting fromRec", "all points:"};
  struct Row {
    const char* name;
    int16_t level;
  } rows[] = {{"errors only", 1}, {"summary", 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    HeadlessLog log;
    MessageLog::setLevel(r.level);
    EXPECT_EQ(image("w=300&h=200", "gif").size(), QSize(300, 200));
    const QStringList lines = loggedLines(log);
    for (const char* part : details) EXPECT_EQ(lines.filter(part), QStringList()) << part;
    if (r.level == 1)
      EXPECT_EQ(lines, QStringList());
    else
      EXPECT_TRUE(lines.contains("writeImage: OK, stream created"));  // the summary still tells
  }
}

TEST_F(GraphImageTest, GifInEitherCaseAndOtherTypesEncode) {
  for (const char* type : {"GIF", "gif"}) {
    const QByteArray gif = bytes("w=200&h=100", type);
    EXPECT_TRUE(startsWith(gif, "GIF89a")) << type;
    EXPECT_EQ(QImage::fromData(gif).size(), QSize(200, 100)) << type;
  }
  EXPECT_TRUE(startsWith(bytes("w=200&h=100", "png"), "\x89PNG"));
  EXPECT_TRUE(startsWith(bytes("w=200&h=100", "bmp"), "BM"));
}

// The reader's lap times are logged from debug level 4 on, as the settings the job is made with say.
TEST_F(GraphImageTest, LapTimesFollowTheDebugLevelOfTheSettings) {
  struct Row {
    const char* name;
    int16_t level;
    bool lapTimes;
  } rows[] = {{"below", 3, false}, {"at", 4, true}, {"above", 5, true}};
  for (const Row& r : rows) {
    m_settings.debugLevel = r.level;
    EXPECT_EQ(job("").lapTimes, r.lapTimes) << r.name;
  }
}

TEST_F(GraphImageTest, UnknownTypeDrawsAndLogsNothing) {
  HeadlessLog log;
  const GraphImageJob unknown = job("w=200&h=100", "xyz");
  EXPECT_FALSE(unknown.encoder);
  const Result<QByteArray> r = renderGraphImage(unknown);
  ASSERT_FALSE(r);
  EXPECT_TRUE(r.error().contains("xyz"));
  EXPECT_EQ(loggedLines(log), QStringList());
}

TEST_F(GraphImageTest, WebPictureSidesAreClamped) {
  struct Row {
    const char* query;
    QSize size;
  } rows[] = {{"w=5&h=0", {20, 20}}, {"w=-100&h=21", {20, 21}}, {"w=100000&h=30", {4096, 30}},
              {"w=30&h=2147483647", {30, 4096}}};
  for (const Row& r : rows) EXPECT_EQ(image(r.query).size(), r.size) << r.query;
}

TEST_F(GraphImageTest, GridDivisionsOfARequestAreClamped) {
  struct Row {
    const char* query;
    int16_t time, value;
  } rows[] = {// 100000 does not fit the item: the defaults stay
              {"g=0", 1, 1}, {"g=-5,-5", 1, 1}, {"g=100000", 6, 8}, {"g=30000,7", 100, 7}, {"g=6,200", 6, 100}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.query);
    const GraphImage drawn = drawGraphImage(job(QString("w=200&h=100&") + r.query));
    EXPECT_EQ(drawn.picture.size(), QSize(200, 100));
    const graphRecord& g = drawn.graph;
    ASSERT_GE(g.axes.size(), 3);
    EXPECT_EQ(g.axes[1].gridLines[1].divisions, r.time);
    EXPECT_EQ(g.axes[2].gridLines[1].divisions, r.value);
  }
}

TEST_F(GraphImageTest, CompareRangeBeyondTheCalendarIsDropped) {
  const GraphImage far = drawGraphImage(job("w=200&h=100&v=100000000&r=1d"));
  EXPECT_EQ(far.picture.size(), QSize(200, 100));
  for (const seriesInfoEntry& e : far.param.seriesInfo) EXPECT_NE(e.styleCode, 4);
  // A reachable compare range is drawn as a further series on the fourth axis.
  const GraphImage near = drawGraphImage(job("w=200&h=100&e=2024-03-31 12:00:00&r=3h&v=-1"));
  ASSERT_GE(near.graph.series.size(), 4);
  EXPECT_EQ(near.graph.series[3].xAxis, 4);
}

// A request naming no background keeps the picture's own; each request is
// drawn alone, so an earlier request's colour does not carry over.
TEST_F(GraphImageTest, TransparentBackgroundIsThePicturesOwnColour) {
  const QImage red = image("w=60&h=40&b=ff0000");
  EXPECT_EQ(red.pixel(0, 0), qRgb(255, 0, 0));
  const QImage own = image("w=60&h=40&b=transparent");
  EXPECT_EQ(own.pixel(0, 0), qRgb(240, 240, 240));  // the button face
}

// A picture drawn on the pool is the same as one drawn on the caller's
// thread, and its log lines reach the message log on the UI thread.
TEST_F(GraphImageTest, PicturesOnThePoolAreTheSameBytesAndLogOnTheUiThread) {
  for (const char* type : {"gif", "png"}) {
    SCOPED_TRACE(type);
    const QByteArray here = bytes("w=320&h=200&r=3h&e=2024-03-31 06:00:00", type);
    HeadlessLog log;
    MessageLog::setLevel(2);
    const Result<QByteArray> pooled = waitFor(startGraphImage(job("w=320&h=200&r=3h&e=2024-03-31 06:00:00", type)));
    ASSERT_TRUE(pooled) << pooled.error().toStdString();
    EXPECT_EQ(*pooled, here);
    QTRY_VERIFY_WITH_TIMEOUT(logged(log, "writeImage: OK, stream created\nbytes = " + QString::number(here.size())),
                             10000);
  }
}

// More pictures than the pool draws at once: the others wait their turn and
// every one comes out in its own size.
TEST_F(GraphImageTest, PicturesBeyondThePoolWaitTheirTurn) {
  QVector<QFuture<Result<QByteArray>>> futures;
  for (int i = 0; i < 3 * kMaxGraphImagesAtOnce; ++i)
    futures.append(startGraphImage(job(QStringLiteral("w=%1&h=%2").arg(100 + i).arg(50 + i))));
  for (int i = 0; i < futures.size(); ++i) {
    const Result<QByteArray> r = waitFor(futures[i]);
    ASSERT_TRUE(r) << i;
    EXPECT_EQ(QImage::fromData(*r).size(), QSize(100 + i, 50 + i)) << i;
  }
}

// A picture cancelled while it waits its turn is never drawn; one cancelled
// while it is drawn is not encoded. The progress tells which began.
TEST_F(GraphImageTest, APictureNobodyWaitsForIsNotDrawn) {
  HeadlessLog log;
  MessageLog::setLevel(2);
  QVector<QFuture<Result<QByteArray>>> busy;
  for (int i = 0; i < kMaxGraphImagesAtOnce; ++i) busy.append(startGraphImage(job("w=4096&h=4096")));
  QFuture<Result<QByteArray>> waiting = startGraphImage(job("w=77&h=77"));
  waiting.cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return busy[0].progressValue() == 1; }, 10000));
  busy[0].cancel();
  for (const auto& f : busy) ASSERT_TRUE(QTest::qWaitFor([&] { return f.isFinished(); }, 60000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.isFinished(); }, 10000));
  QCoreApplication::processEvents();
  EXPECT_EQ(waiting.progressValue(), 0);
  EXPECT_EQ(waiting.resultCount(), 0);
  EXPECT_EQ(busy[0].resultCount(), 0);
  ASSERT_TRUE(busy[1].result());
  const QStringList lines = log.lines();
  EXPECT_EQ(lines.filter("Form4.makeZavGraph").size(), kMaxGraphImagesAtOnce);
  EXPECT_EQ(lines.filter("writeImage: OK, stream created").size(), kMaxGraphImagesAtOnce - 1);
}

// While the largest picture is drawn on the pool, the UI thread's event loop
// goes on: a queued call is served and a timer keeps firing before it is done.
TEST_F(GraphImageTest, TheEventLoopRunsWhileALargePictureIsDrawn) {
  m_settings.maxPlotPoints = 100000;  // every record of the half day
  m_settings.reduceMethod = 0;
  int ticksWhileDrawing = 0;
  bool servedWhileDrawing = false;
  const QFuture<Result<QByteArray>> future = startGraphImage(job("w=4096&h=4096&m=1", "gif"));
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ticksWhileDrawing += future.isFinished() ? 0 : 1; });
  timer.start(1);
  QMetaObject::invokeMethod(
      &timer, [&] { servedWhileDrawing = !future.isFinished(); }, Qt::QueuedConnection);
  const Result<QByteArray> r = waitFor(future);
  ASSERT_TRUE(r) << r.error().toStdString();
  EXPECT_EQ(QImage::fromData(*r).size(), QSize(4096, 4096));
  EXPECT_TRUE(servedWhileDrawing);
  EXPECT_GE(ticksWhileDrawing, 2);
}
