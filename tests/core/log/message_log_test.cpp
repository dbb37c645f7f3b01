// The message log without a window: its text stays bounded under a flood,
// drops whole lines from the oldest end, and says how many went.
#include "core/log/message_log.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <latch>
#include <thread>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "support/headless_env.h"
#include "support/restore_on_exit.h"

namespace {
QString heldText() {
  QString all;
  for (const MessageLog::Entry& e : messageLog().entries()) all += e.text;
  return all;
}

class MessageLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logMsg(0, QString());
    msgLevel = 4;
  }
  void TearDown() override { logMsg(0, QString()); }
  RestoreOnExit m_restore{msgLevel, logMaxChars};
};
}  // namespace

TEST_F(MessageLogTest, FloodOfErrorsStaysBoundedAndSaysHowManyLinesWent) {
  HeadlessLog mirrored;
  logMaxChars = 1000;
  const int n = 50000;  // about 2 MB of text against a limit of 2,000 characters
  int seen = 0;
  const QMetaObject::Connection counting =
      QObject::connect(&messageLog(), &MessageLog::linesDropped, [&](qint64 lines) { seen += lines; });
  for (int i = 0; i < n; ++i) logMsg(-1, QStringLiteral("flood line %1").arg(i, 6, 10, QChar('0')));
  QObject::disconnect(counting);

  const MessageLog& log = messageLog();
  EXPECT_LE(log.chars(), MessageLog::heldLimit());
  EXPECT_LE(qsizetype(log.entries().size()), MessageLog::heldLimit() / 19);
  EXPECT_EQ(log.droppedLines() + qint64(log.entries().size()), n);
  EXPECT_EQ(seen, log.droppedLines());
  EXPECT_EQ(log.droppedNotice(),
            QStringLiteral("logMsg: %1 older lines dropped, the newest are kept").arg(log.droppedLines()));
  EXPECT_TRUE(heldText().endsWith("flood line 049999\r\n"));
  // What is held is an unbroken run of the newest lines.
  EXPECT_TRUE(heldText().startsWith(QStringLiteral("flood line %1\r\n").arg(log.droppedLines(), 6, 10, QChar('0'))));
  EXPECT_EQ(msgLevel, MessageLog::kLowestAutomaticLevel);
  // The log file keeps every line; the bound is the window's.
  EXPECT_EQ(mirrored.lines().size(), n);
}

TEST_F(MessageLogTest, DropsWholeLinesOnly) {
  logMaxChars = 20;  // held up to 40 characters, trimmed to 20
  struct Row {
    const char* name;
    QStringList courierBlocks;  // written before the messages
  };
  const Row rows[] = {
      {"plain messages", {}},
      {"courier block ending its line", {"a  b\r\nc  d\r\n"}},
      {"courier block continued by the next message", {"no break:"}},
      {"block of many lines", {"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    logMsg(0, QString());
    for (const QString& block : row.courierBlocks) logMsgCourier(block);
    for (int i = 0; i < 10; ++i) logMsg(1, QStringLiteral("message %1").arg(i));
    const MessageLog& log = messageLog();
    EXPECT_GT(log.droppedLines(), 0);
    EXPECT_LE(log.chars(), MessageLog::heldLimit());
    // Every held line is whole: the text starts with a message and ends with the newest.
    EXPECT_TRUE(heldText().startsWith("message ")) << heldText().toStdString();
    EXPECT_TRUE(heldText().endsWith("message 9\r\n"));
    // Each dropped line is counted once: held plus dropped lines give all lines written.
    qint64 held = 0;
    for (const MessageLog::Entry& e : log.entries()) held += e.lineBreaks;
    const qint64 written = 10 + (row.courierBlocks.isEmpty() ? 0 : row.courierBlocks[0].count("\r\n"));
    EXPECT_EQ(held + log.droppedLines(), written);
  }
}

TEST_F(MessageLogTest, NewestMessageStaysEvenWhenLongerThanTheLimit) {
  logMaxChars = 10;
  logMsg(1, "old");
  logMsg(1, QString(500, 'x'));
  ASSERT_EQ(messageLog().entries().size(), 1u);
  EXPECT_EQ(messageLog().entries().front().text.size(), 502);
  EXPECT_EQ(messageLog().droppedNotice(), "logMsg: 1 older line dropped, the newest are kept");
}

TEST_F(MessageLogTest, ClearForgetsTheDroppedLines) {
  logMaxChars = 10;
  for (int i = 0; i < 20; ++i) logMsg(1, "some line");
  EXPECT_GT(messageLog().droppedLines(), 0);
  logMsg(0, QString());
  EXPECT_EQ(messageLog().droppedLines(), 0);
  EXPECT_EQ(messageLog().droppedNotice(), "");
  EXPECT_EQ(logTextLength(), 0);
}

TEST_F(MessageLogTest, HeldLimitIsTwiceLogMaxCharsWithinItsCap) {
  const struct {
    const char* name;
    int32_t logMax;
    qint64 limit;
  } rows[] = {
      {"designed value", 100000, 200000},
      {"negative", -5, 0},
      {"huge", INT32_MAX, MessageLog::kMaxHeldChars},
  };
  for (const auto& row : rows) {
    logMaxChars = row.logMax;
    EXPECT_EQ(MessageLog::heldLimit(), row.limit) << row.name;
  }
}

// A picture drawn on a worker thread logs too: its lines are written on the
// log's own thread, in the order they were written there, and lines above the
// level cost no trip.
TEST_F(MessageLogTest, LinesFromAnotherThreadArriveOnTheLogsThreadInOrder) {
  HeadlessLog mirrored;
  msgLevel = 2;
  std::thread worker([] {
    for (int i = 0; i < 100; ++i) logMsg(2, QStringLiteral("worker line %1").arg(i));
    logMsg(3, QStringLiteral("worker detail"));
    logMsgCourier(QStringLiteral("worker block\r\n"));
  });
  worker.join();
  EXPECT_TRUE(messageLog().entries().empty());  // nothing written from the worker itself
  QCoreApplication::processEvents();
  QStringList expected;
  for (int i = 0; i < 100; ++i) expected << QStringLiteral("worker line %1").arg(i);
  expected << QStringLiteral("worker block");
  EXPECT_EQ(mirrored.lines(), expected);
  EXPECT_TRUE(heldText().endsWith("worker line 99\r\nworker block\r\n"));
  EXPECT_FALSE(logShows(3));
  EXPECT_TRUE(logShows(-2));
}

namespace {
[[noreturn]] void writeFirstLinesFromTwoWorkers() {
  std::latch start(2);
  const auto write = [&start](int worker) {
    start.arrive_and_wait();
    for (int i = 0; i < 50; ++i) logMsg(1, QStringLiteral("worker %1 line %2").arg(worker).arg(i));
  };
  { std::jthread a(write, 0), b(write, 1); }
  QCoreApplication::processEvents();
  fprintf(stderr, "onUiThread=%d held=%d\n", messageLog().thread() == QCoreApplication::instance()->thread(),
          int(heldText().count(u'\n')));
  std::exit(0);
}
}  // namespace

// Two workers write the program's first lines at once: the log is the UI thread's whoever writes
// first, and every line reaches it. Each round is a fresh process with nothing written before; the
// race showed in about one round in eight.
TEST(MessageLogFirstWriters, TwoWorkersWritingFirstLeaveTheLogOnTheUiThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int round = 0; round < 40; ++round)
    EXPECT_EXIT(writeFirstLinesFromTwoWorkers(), ::testing::ExitedWithCode(0), "onUiThread=1 held=100\n");
}
