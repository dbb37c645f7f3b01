#include "core/log/message_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/log/message_log.h"
#include "core/settings/setup_values.h"
#include "platform/named_colours.h"
#include "support/headless_env.h"

namespace {
class MessageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedLevel = msgLevel;
    m_savedMax = logMaxChars;
    logMsg(0, QString());
    msgLevel = 4;
  }
  void TearDown() override {
    logMsg(0, QString());
    msgLevel = m_savedLevel;
    logMaxChars = m_savedMax;
  }
  // The test's message window over the program's message log, made hidden.
  Form12* messageWindow() { return &m_window; }
  void showMessageWindow() { ::showMessageWindow(m_window); }
  QString text() { return messageWindow()->RichTextBox1()->toPlainText(); }
  // Colour of the first character of line n.
  QColor lineColour(int n) {
    const QTextBlock b = messageWindow()->RichTextBox1()->document()->findBlockByNumber(n);
    return b.begin().fragment().charFormat().foreground().color();
  }

 private:
  Form12 m_window{messageLog()};
  int16_t m_savedLevel = 4;
  int32_t m_savedMax = 100000;
};
}  // namespace

TEST_F(MessageWindowTest, LevelFilterKeepsErrorsAndDropsExtraAtFour) {
  for (int level : {-1, 1, 2, 3, 4, 5, -5}) logMsg(level, QString("L%1").arg(level));
  EXPECT_EQ(text(), "L-1\nL1\nL2\nL3\nL4\n");
  EXPECT_FALSE(logShows(5));
  EXPECT_TRUE(logShows(-4));
  EXPECT_FALSE(logShows(0));
  msgLevel = 5;
  logMsg(-5, "deep error");
  EXPECT_TRUE(text().endsWith("deep error\n"));
}

TEST_F(MessageWindowTest, LevelZeroOnlyClears) {
  logMsg(1, "kept");
  msgLevel = 0;
  logMsg(-1, "dropped");
  logMsg(1, "dropped");
  EXPECT_EQ(text(), "kept\n");
  messageWindow()->mnuClear_Click();  // Clear works at level 0 as well
  EXPECT_EQ(text(), "");
  EXPECT_EQ(logTextLength(), 0);
}

TEST_F(MessageWindowTest, ErrorsAreRedAndTheNextLineIsNormalAgain) {
  logMsg(-1, "bad");
  logMsg(1, "good");
  EXPECT_EQ(lineColour(0), QColor(255, 0, 0));
  EXPECT_EQ(lineColour(1), QColor(0, 0, 0));
  logColourError = 0x00FF00;  // &HBBGGRR: green
  logMsg(-1, "green");
  EXPECT_EQ(lineColour(2), QColor(0, 255, 0));
  logColourError = kRed;
}

TEST_F(MessageWindowTest, LongTextLowersTheLevelOncePerShownMessageDownToErrors) {
  HeadlessLog mirrored;
  logMsg(1, QString(100000, 'x'));  // 100002 characters with the line break
  EXPECT_EQ(logTextLength(), 100002);
  EXPECT_EQ(msgLevel, 4);  // the length is checked before the message goes in
  for (int expected : {3, 2, 1, 1, 1}) {
    logMsg(1, "lowering");
    EXPECT_EQ(msgLevel, expected);
  }
  EXPECT_EQ(text().count("lowering"), 5);
  // Errors still reach the window and the log file; details do not.
  logMsg(-1, "late error");
  logMsg(2, "late summary");
  EXPECT_TRUE(text().contains("late error"));
  EXPECT_FALSE(text().contains("late summary"));
  EXPECT_TRUE(mirrored.lines().contains("ERROR late error"));
  EXPECT_EQ(msgLevel, 1);
}

TEST_F(MessageWindowTest, LongTextLetsOneDetailMessageThrough) {
  logMaxChars = 10;
  logMsg(1, "12345678901");
  logMsg(4, "first detail");
  EXPECT_EQ(msgLevel, 3);
  logMsg(4, "second detail");
  EXPECT_TRUE(text().contains("first detail"));
  EXPECT_FALSE(text().contains("second detail"));
  logMsg(0, QString());
  EXPECT_EQ(msgLevel, 3);  // clearing does not raise it again
}

TEST_F(MessageWindowTest, CourierBlockIgnoresTheLevel) {
  msgLevel = 1;
  logMsgCourier("col1  col2\r\n1     2\r\n");
  EXPECT_EQ(text(), "col1  col2\n1     2\n");
  const QTextBlock b = messageWindow()->RichTextBox1()->document()->firstBlock();
  const QTextCharFormat f = b.begin().fragment().charFormat();
  EXPECT_EQ(f.font().pointSizeF(), 8.0);
  EXPECT_EQ(f.font().family(), "Courier New");
  EXPECT_EQ(logTextLength(), 21);
}

TEST_F(MessageWindowTest, ClosingHidesAndKeepsTheText) {
  logMsg(1, "survives");
  showMessageWindow();
  ASSERT_TRUE(messageWindow()->isVisible());
  messageWindow()->close();
  EXPECT_FALSE(messageWindow()->isVisible());
  showMessageWindow();
  EXPECT_EQ(text(), "survives\n");
  messageWindow()->mnuClose_Click();
  EXPECT_FALSE(messageWindow()->isVisible());
}

TEST_F(MessageWindowTest, AlwaysOnTopTogglesAndStaysShown) {
  Form12* w = messageWindow();
  for (bool on : {true, false}) {
    w->mnuTopmost_Click();
    EXPECT_EQ(w->mnuTopmost()->isChecked(), on);
    EXPECT_EQ(bool(w->windowFlags() & Qt::WindowStaysOnTopHint), on);
    EXPECT_TRUE(w->isVisible());
  }
  w->hide();
}

TEST_F(MessageWindowTest, LevelMenuChecksOneItem) {
  Form12* w = messageWindow();
  w->mnuDbgLevel_Click();
  EXPECT_TRUE(w->mnuDbgLevelSet(4)->isChecked());
  w->mnuDbgLevelSet(2)->trigger();
  EXPECT_EQ(msgLevel, 2);
  msgLevel = 3;  // as the setup field would
  w->mnuDbgLevel_Click();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(w->mnuDbgLevelSet(i)->isChecked(), i == 3) << i;
}

TEST_F(MessageWindowTest, LevelMenuRefusesOutOfRangeLevels) {
  HeadlessLog log;
  Form12* w = messageWindow();
  msgLevel = 7;
  w->mnuDbgLevelSet_Click(2);
  EXPECT_EQ(msgLevel, 7);
  msgLevel = 4;
  w->mnuDbgLevelSet_Click(6);
  EXPECT_EQ(msgLevel, 4);
  EXPECT_EQ(log.lines(),
            QStringList({"MSGBOX: unknown current msgLevel=7", "MSGBOX: unknown new msgLevel=6"}));
}

TEST_F(MessageWindowTest, LogFileMirrorsShownMessages) {
  HeadlessLog log;
  logMsg(2, "shown");
  logMsg(5, "hidden");
  logMsg(-1, "broken");
  logMsg(2, "end ---\r\n");
  logMsgCourier("a\r\nb\r\n");
  EXPECT_EQ(log.lines(), QStringList({"shown", "ERROR broken", "end ---", "", "a", "b"}));
}

TEST(DebugWindow, SameDesignOwnLevel) {
  HeadlessLog log;
  const int16_t saved = msgLevel;
  msgLevel = 5;
  SetupValues values;
  Form10 w(values);
  EXPECT_EQ(w.windowTitle(), "Debug Window");
  w.mnuDbgLevelSet_Click(3);
  EXPECT_EQ(values.settings().debugLevel, 3);
  w.mnuDbgLevel_Click();
  EXPECT_TRUE(w.mnuDbgLevelSet(3)->isChecked());
  w.mnuDbgLevelSet_Click(9);
  EXPECT_EQ(values.settings().debugLevel, 3);
  values.setDebugLevel(0);
  msgLevel = saved;
  EXPECT_EQ(log.lines(),
            QStringList({"ERROR mnuDbgLevelSet_Click: index=3", "Debug Window: Level Clicked",
                         "ERROR mnuDbgLevelSet_Click: index=9", "MSGBOX: unknown new debugLevel=9"}));
  logMsg(0, QString());
}

TEST_F(MessageWindowTest, ShowsTheNewestLine) {
  for (int i = 0; i < 500; ++i) logMsg(1, QString("line %1").arg(i));
  showMessageWindow();
  QCoreApplication::processEvents();
  logMsg(1, "newest");
  QCoreApplication::processEvents();
  const QScrollBar* bar = messageWindow()->RichTextBox1()->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  messageWindow()->hide();
}

TEST_F(MessageWindowTest, FloodKeepsTheNewestLinesAndSaysHowManyWent) {
  logMaxChars = 1000;  // the window holds up to 2,000 characters
  showMessageWindow();
  for (int i = 0; i < 20000; ++i) {
    logMsg(i % 2 ? -1 : 1, QStringLiteral("flood line %1").arg(i, 5, 10, QChar('0')));
    if (i % 1000 == 0) QCoreApplication::processEvents();
  }
  const QTextDocument* doc = messageWindow()->RichTextBox1()->document();
  EXPECT_LE(doc->characterCount(), 2000 + 100);
  const QStringList lines = text().split('\n');
  const qint64 dropped = messageLog().droppedLines();
  EXPECT_EQ(lines.first(), QStringLiteral("logMsg: %1 older lines dropped, the newest are kept").arg(dropped));
  // The held lines follow the notice without a gap and end with the newest.
  EXPECT_EQ(lines.at(1), QStringLiteral("flood line %1").arg(dropped, 5, 10, QChar('0')));
  EXPECT_EQ(lines.at(lines.size() - 2), "flood line 19999");
  EXPECT_EQ(lines.size() - 2 + dropped, 20000);
  // Each line keeps its colour after the oldest went.
  EXPECT_EQ(lineColour(lines.size() - 2), QColor(255, 0, 0));
  EXPECT_EQ(lineColour(lines.size() - 3), QColor(0, 0, 0));
  messageWindow()->hide();
}

TEST_F(MessageWindowTest, ClearRemovesTheDroppedNotice) {
  logMaxChars = 10;
  for (int i = 0; i < 5; ++i) logMsg(1, "a line");
  EXPECT_TRUE(text().startsWith("logMsg: "));
  Form12 late(messageLog());  // a window made after the lines went shows the same
  EXPECT_EQ(late.RichTextBox1()->toPlainText(), text());
  messageWindow()->mnuClear_Click();
  logMsg(1, "fresh");
  EXPECT_EQ(text(), "fresh\n");
}
