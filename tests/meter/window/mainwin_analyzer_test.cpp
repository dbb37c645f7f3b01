// The protocol-analyzer frame of the main window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "meter/window/form1.h"
#include "support/log_capture.h"
#include "tests/meter/window/meter_owners.h"

namespace {
struct Analyzer : ::testing::Test, MeterOwners {
  QTemporaryDir dir;
  void SetUp() override {
    settings.debugMode = 1;
    settings.defDirName = dir.path() + u'/';
    apply();
  }
};
}  // namespace

TEST_F(Analyzer, LoadClearsTheCaptureTableForTheDesignedSize) {
  link.setDcdCaptureForTests({0, 1, 2, 3, 4, 5}, 5);
  Form1 f(session, link, values);
  f.formLoad();
  EXPECT_EQ(link.maxDcdEvents(), 10000);
  EXPECT_EQ(link.dcdCount(), 0);
  EXPECT_EQ(f.Text1(1)->text(), "0");
  EXPECT_EQ(f.Text1(3)->text(), dir.filePath("PALOG*.txt"));
  // The diagnostic frames are inside the widened window.
  EXPECT_LE(f.findChild<QWidget*>("FrameTcp")->geometry().bottom(), f.centralWidget()->height());
  EXPECT_LE(f.Frame6()->geometry().right(), f.width());
}

TEST_F(Analyzer, SwitchesSetTheirModes) {
  Form1 f(session, link, values);
  f.formLoad();
  f.Check4(0)->setChecked(true);
  f.Check4(1)->setChecked(true);
  f.Check4(3)->setChecked(true);
  EXPECT_TRUE(link.protocolAnalyzerMode() && link.dcdCaptureEnabled() && link.tempReceiverMode());
  f.Check4(0)->setChecked(false);
  f.Check4(1)->setChecked(false);
  f.Check4(3)->setChecked(false);
  EXPECT_FALSE(link.protocolAnalyzerMode() || link.dcdCaptureEnabled() || link.tempReceiverMode());
}

TEST_F(Analyzer, TimeStampsGoToTheMessageWindowOrToNumberedFiles) {
  LogCapture log;
  Form1 f(session, link, values);
  f.formLoad();
  link.setDcdCaptureForTests({0, 10000000, 20000000, 0}, 3);
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
  Form1 f(session, link, values);
  f.formLoad();
  f.Command7()->click();
  EXPECT_TRUE(log.contains("Command7_Click: ERROR"));
}
