#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "core/setup/progress_test_form.h"
#include "core/setup/progress_window.h"
#include "core/setup/summary_form.h"
#include "core/setup/summary_progress.h"
#include "support/headless_env.h"

namespace {

TEST(SummaryProgress, barTexts) {
  struct Row {
    const char* unit;
    int32_t value, max;
    const char* text;
  } rows[] = {{"", 25, 100, "25 %"},
              {"", 2, 3, "66 %"},
              {"", 2000000000, 2000000000, "100 %"},  // value x 100 beyond 32 bits
              {"$Reading the data file", 1, 5, "Reading the data file"},
              {"files", 1234, 5000, "1,234  of  5,000  files"},
              {"files", 1, 0, ""}};
  for (const Row& r : rows) EXPECT_EQ(summaryBarText(r.unit, r.value, r.max), r.text) << r.unit << r.value;
}

TEST(SummaryProgress, barWidthsStayInsideTheFrame) {
  // A 100-pixel frame is 1,500 twips, 1,430 inside its border.
  EXPECT_EQ(summaryBarWidth(100, 1, 2), 47);
  EXPECT_EQ(summaryBarWidth(100, 2, 2), 95);
  EXPECT_EQ(summaryBarWidth(100, 5, 2), 95);
  EXPECT_EQ(summaryBarWidth(100, -1, 2), 0);
  EXPECT_EQ(summaryBarWidth(100, 1, 0), 0);
  EXPECT_EQ(summaryBarWidth(2, 1, 1), 0);
}

TEST(SummaryForm, openUpdateCancelClose) {
  QWidget other;
  other.setWindowTitle("other");
  other.show();
  QWidget alreadyOff;
  alreadyOff.setEnabled(false);
  alreadyOff.show();

  std::unique_ptr<Form9> open;
  fillSummaryForm(open, 0, "", "", 1, 2, "", 0, 0);  // nothing open: nothing happens
  EXPECT_EQ(open, nullptr);

  fillSummaryForm(open, 1, "Reading", "records", 0, 400, "", 0, 0);
  Form9* form = open.get();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), "Reading");
  EXPECT_FALSE(other.isEnabled());
  EXPECT_FALSE(form->Frame3()->isVisibleTo(form));
  fillSummaryForm(open, 0, "", "records", 100, 400, "", 0, 0);
  EXPECT_EQ(form->Text1()->text(), "100  of  400  records");
  EXPECT_EQ(form->Frame2()->width(), summaryBarWidth(form->Frame1()->width(), 100, 400));
  EXPECT_GT(form->Frame2()->width(), 0);

  QTest::mouseClick(form->Command2(), Qt::LeftButton);
  EXPECT_TRUE(form->progressCancelled());

  fillSummaryForm(open, 2, "", "", 0, 0, "", 0, 0);
  EXPECT_EQ(open, nullptr);
  EXPECT_TRUE(other.isEnabled());
  EXPECT_FALSE(alreadyOff.isEnabled());
}

TEST(SummaryForm, secondBarOnlyWithARange) {
  std::unique_ptr<Form9> open;
  fillSummaryForm(open, 1, "Two", "", 1, 4, "$second", 3, 4);
  Form9* form = open.get();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->Frame3()->isVisibleTo(form));
  EXPECT_EQ(form->Text1()->text(), "25 %");
  EXPECT_EQ(form->bar2Text()->text(), "second");
  fillSummaryForm(open, 2, "", "", 0, 0, "", 0, 0);
}

TEST(ProgressTestForm, runsThirteenStepsOrUntilCancelled) {
  HeadlessLog log;
  Form2 form;
  form.show();
  QSignalSpy done(&form, &Form2::testDone);
  QString tenths;  // Timer1 writes the clock over it a moment later
  QObject::connect(&form, &Form2::testDone, [&] { tenths = form.Text1()->text(); });
  QTest::mouseClick(form.Command1(), Qt::LeftButton);
  ASSERT_TRUE(form.testRunning());
  EXPECT_TRUE(form.Timer1().isRunning());
  EXPECT_EQ(form.progressWindow()->bars().count(), 1 + Form2::kTestBars);
  ASSERT_TRUE(done.wait(10000));
  EXPECT_FALSE(form.testRunning());
  const QStringList lines = log.lines();
  const qsizetype first = lines.indexOf("MSGBOX: pBar.ANewMethod done");
  ASSERT_GE(first, 0);
  EXPECT_GT(lines.indexOf("MSGBOX: start"), first);
  EXPECT_GT(lines.indexOf("MSGBOX: end"), lines.indexOf("MSGBOX: start"));
  bool number = false;
  tenths.toInt(&number);
  EXPECT_TRUE(number) << tenths.toStdString();

  // Cancel in the progress window ends the next run at its next step.
  QTest::mouseClick(form.Command1(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.progressWindow()->prLine(0) != nullptr; }, 5000));
  auto* cancel = form.progressWindow()->findChild<QPushButton*>("cmdCancel");
  ASSERT_NE(cancel, nullptr);
  QTest::mouseClick(cancel, Qt::LeftButton);
  ASSERT_TRUE(done.wait(10000));
  EXPECT_EQ(done.count(), 2);
}

TEST(ProgressTestForm, clockButtonTurnsTheTextRed) {
  Form2 form;
  QTest::mouseClick(form.Command2(), Qt::LeftButton);
  EXPECT_TRUE(form.Timer1().isEnabled());
  EXPECT_TRUE(form.Text1()->styleSheet().contains("red"));
}

}  // namespace
