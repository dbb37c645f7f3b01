#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "core/setup/progress_bars.h"
#include "core/setup/progress_window.h"

TEST(ProgressBars, PercentageBarAfterReset) {
  ProgressBars b;
  b.Reset("Searching COM-ports");
  ASSERT_EQ(b.count(), 1);
  const auto s = b.update(0, 25);
  EXPECT_TRUE(s.drawn && s.firstShow);
  EXPECT_DOUBLE_EQ(s.fraction, 0.25);
  EXPECT_EQ(s.text, "25 %");
  EXPECT_FALSE(b.update(0, 30).firstShow);
  EXPECT_EQ(b.bar(0).updateCount, 2);
}

TEST(ProgressBars, UnitTextsAndGrowth) {
  ProgressBars b;
  EXPECT_EQ(b.initBar(-1, 1, 16, "$Testing ComPort 3"), 1);
  auto s = b.update(1, 3);
  EXPECT_DOUBLE_EQ(s.fraction, 2.0 / 15);
  EXPECT_EQ(s.text, "Testing ComPort 3");
  EXPECT_EQ(b.initBar(5, 0, 10, "files"), 5);
  EXPECT_EQ(b.count(), 6);
  EXPECT_TRUE(b.update(3, 1).known);
  EXPECT_FALSE(b.update(3, 1).drawn);  // empty bars have no range
  EXPECT_FALSE(b.update(9, 1).known);
  b.initBar(2, 0, 5000, "Records");
  EXPECT_EQ(b.update(2, 1234).text, "Records  1,234  of  5,000");
  s = b.update(2, 6000);
  EXPECT_DOUBLE_EQ(s.fraction, 1.2);  // beyond max draws longer than full width
  b.cancelRequested = true;
  b.Reset("x");
  EXPECT_FALSE(b.cancelRequested);
  EXPECT_EQ(b.count(), 1);
}

TEST(ProgressWindow, ShowsOnFirstUpdateAndDisablesTheOthers) {
  QWidget other;
  other.setObjectName("otherWindow");
  other.show();
  QWidget disabledBefore;
  disabledBefore.setEnabled(false);
  disabledBefore.show();
  auto p = std::make_unique<frmProgBar>();
  p->Reset("Searching COM-ports");
  int32_t idx = -1;
  p->initBar(-1, 1, 16, "$Testing ComPort 3", idx);
  EXPECT_EQ(idx, 1);
  EXPECT_FALSE(p->isVisible());
  p->update(0, 25);
  EXPECT_TRUE(p->isVisible());
  EXPECT_EQ(p->windowTitle(), "Searching COM-ports");
  EXPECT_EQ(p->prLabel(0)->text(), "25 %");
  EXPECT_EQ(p->prLine(0)->width(), p->barWidth() / 4);
  EXPECT_FALSE(p->prLine(1)->isVisible());
  p->update(1, 3);
  EXPECT_TRUE(p->prLine(1)->isVisible());
  EXPECT_EQ(p->prLabel(1)->text(), "Testing ComPort 3");
  EXPECT_FALSE(other.isEnabled());
  auto* cancel = p->findChild<QPushButton*>("cmdCancel");
  cancel->click();
  cancel->click();
  EXPECT_TRUE(p->cancelRequested());
  p.reset();
  EXPECT_TRUE(other.isEnabled());
  EXPECT_FALSE(disabledBefore.isEnabled());
}
