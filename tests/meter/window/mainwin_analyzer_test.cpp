// The protocol-analyzer frame of the main window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "core/globals.h"
#include "meter/window/form1.h"
#include "meter/link/link_state.h"
#include "support/log_capture.h"

namespace {
struct Analyzer : ::testing::Test {
  QTemporaryDir dir;
  void SetUp() override {
    appName = QStringLiteral("Zav");
    debugMode = 1;
    meterOnline = false;
    defDirName = dir.path() + u'/';
  }
  void TearDown() override { debugMode = 0; }
};
}  // namespace

TEST_F(Analyzer, LoadClearsTheCaptureTableForTheDesignedSize) {
  dcdCount = 5;
  Form1 f;
  f.formLoad();
  EXPECT_EQ(maxDCDevents, 10000);
  EXPECT_EQ(dcdCount, 0);
  EXPECT_EQ(f.Text1(1)->text(), "0");
  EXPECT_EQ(f.Text1(3)->text(), dir.filePath("PALOG*.txt"));
  // The diagnostic frames are inside the widened window.
  EXPECT_LE(f.findChild<QWidget*>("FrameTcp")->geometry().bottom(), f.centralWidget()->height());
  EXPECT_LE(f.Frame6()->geometry().right(), f.width());
}

TEST_F(Analyzer, SwitchesSetTheirModes) {
  Form1 f;
  f.formLoad();
  f.Check4(0)->setChecked(true);
  f.Check4(1)->setChecked(true);
  f.Check4(3)->setChecked(true);
  EXPECT_TRUE(protocolAnalyzerMode && dcdCaptureEnabled && tempReceiverMode);
  f.Check4(0)->setChecked(false);
  f.Check4(1)->setChecked(false);
  f.Check4(3)->setChecked(false);
  EXPECT_FALSE(protocolAnalyzerMode || dcdCaptureEnabled || tempReceiverMode);
}

TEST_F(Analyzer, TimeStampsGoToTheMessageWindowOrToNumberedFiles) {
  LogCapture log;
  Form1 f;
  f.formLoad();
  dcdTimes = {0, 10000000, 20000000, 0};
  dcdCount = 3;
  f.Command4(1)->click();
  EXPECT_EQ(f.Text1(1)->text(), "3");
  f.Command4(2)->click();
  // The log file holds each line break as a line feed.
  EXPECT_TRUE(
      log.contains("  dcdEvents=3\n--------------------\n   1  0      10     225\n"
                   "   2  0      10     225\n--------------------"));
  f.Check4(2)->setChecked(true);
  f.Text1(2)->setText(QStringLiteral("7"));
  f.Command4(2)->click();
  EXPECT_EQ(f.Text1(2)->text(), "008");
  QFile out(dir.filePath("PALOG007.txt"));
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_TRUE(out.readAll().endsWith("   2  0      10     225\r\n"));
  f.Text1(3)->setText(dir.filePath("missing/PALOG*.txt"));
  f.Command4(2)->click();
  EXPECT_TRUE(log.contains("Command4_Click: ERROR cannot write"));
  f.Check4(2)->setChecked(false);
}

TEST_F(Analyzer, TestFrameOnAClosedPortIsReported) {
  LogCapture log;
  Form1 f;
  f.formLoad();
  f.Command7()->click();
  EXPECT_TRUE(log.contains("Command7_Click: ERROR"));
}
