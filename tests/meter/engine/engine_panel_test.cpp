// The meter panel of the main window follows the engine; its own events work.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tests/meter/engine/engine_fixture.h"
#include "tests/meter/engine/frame_bytes.h"
#include "meter/window/calculator.h"
#include "meter/window/form1.h"
#include "meter/window/indicators.h"
#include "meter/window/link_view.h"

namespace {

class Panel : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    appName = QStringLiteral("Zav");
    connectLinkView();  // as the program wires the main window
    m_form = std::make_unique<Form1>();
  }
  void TearDown() override {
    m_form.reset();
    EngineTest::TearDown();
  }
  void frame(uint32_t count, uint32_t ticks, uint8_t temp = 0x80) {
    zavsim::Reading r = frames::reading(count, ticks);
    r.temp2 = temp;
    zavDataArrival(zavsim::newFrame(r));
  }
  std::unique_ptr<Form1> m_form;
};

TEST_F(Panel, ReadingsShowInThePanelAndTheWebValues) {
  setDateClockForTests([] { return QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9)); });
  maxUpdateInterval = 12;
  frame(10, 0);
  EXPECT_EQ(m_form->Frame1()->title(), "Energy meter - ONLINE 2024-03-01 14:05:09");
  frame(12, 2 * 62500, 0x50);  // 2 counts in 2 s at 3600 Ws per count
  EXPECT_EQ(m_form->Text8()->text(), "2");
  EXPECT_EQ(m_form->Text4()->text(), "0.002");
  EXPECT_EQ(m_form->Text2()->text(), "1.000");
  EXPECT_EQ(m_form->Label14()->text(), "60.0 °C");
  EXPECT_EQ(m_form->calculator().text(Calculator::kText9), "3,600");
  EXPECT_EQ(strZavPower, "3,600");
  EXPECT_EQ(strZavEnergy, "0.002");
  EXPECT_EQ(lngZavPower, 3600);
  EXPECT_TRUE(m_form->indicators().Timer3.isEnabled());
  EXPECT_EQ(m_form->indicators().Timer3.interval(), 14000);
}

// Minimised, the title carries the power and the temperature of the same reading.
TEST_F(Panel, MinimisedTitleShowsTheReadingsOwnTemperature) {
  m_form->setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(mainWindowMinimized);
  frame(10, 0, 0x50);
  frame(12, 2 * 62500, 0xF0);
  EXPECT_EQ(m_form->windowTitle(), "Zav 3,600 W  12.0 °C");
  frame(13, 3 * 62500, 0x50);
  EXPECT_EQ(m_form->windowTitle(), "Zav 3,600 W  60.0 °C");
  m_form->setWindowState(Qt::WindowNoState);
  EXPECT_FALSE(mainWindowMinimized);
}

TEST_F(Panel, CaptionsOthersWriteStayUntilTheEngineWritesItsOwn) {
  frame(1, 0);
  m_form->Frame1()->setTitle("Error: Cannot open data file");
  m_form->Label14()->setText("21.5 °C");
  frame(2, 100);
  EXPECT_EQ(m_form->Frame1()->title(), "Error: Cannot open data file");
  EXPECT_EQ(m_form->Label14()->text(), "");  // each reading writes the temperature
}

TEST_F(Panel, UnitToggleAndTypedRate) {
  frame(1, 0);
  frame(3, 62500);  // 0.5 s per count
  QTest::mouseClick(m_form->findChild<QLabel*>("Label2"), Qt::LeftButton);
  EXPECT_EQ(m_form->Label2()->text(), "counts/s ");
  EXPECT_EQ(m_form->Text2()->text(), "2.000");
  m_form->Text2()->setText("4");
  QTest::keyClick(m_form->Text2(), Qt::Key_Return);
  EXPECT_DOUBLE_EQ(mRevTime, 0.25);
  EXPECT_DOUBLE_EQ(totPower, 14400);
}

TEST_F(Panel, SynchronisationAskedHeadlessChangesNothing) {
  energyWh = 5;
  m_form->findChild<QLabel*>("Label12")->setFocus();
  QTest::mouseDClick(m_form->Label12(), Qt::LeftButton);
  EXPECT_DOUBLE_EQ(energyWh, 5);
}

}  // namespace
