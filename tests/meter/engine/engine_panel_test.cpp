// The meter panel of the main window follows the engine; its own events work.
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "core/settings/setup_values.h"
#include "meter/link/meter_link.h"
#include "meter/window/calculator.h"
#include "meter/window/form1.h"
#include "meter/window/indicator_widgets.h"
#include "meter/window/link_view.h"
#include "support/fake_comm_link.h"
#include "tests/meter/engine/engine_fixture.h"
#include "tests/meter/engine/frame_bytes.h"

namespace {

class Panel : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    m_settings.appName = QStringLiteral("Zav");
    apply();
    m_link = std::make_unique<MeterLink>(m_session, m_port);
    // As the program wires the main window.
    connectLinkView(
        m_session, *m_link, m_values, [this] { return m_form.get(); }, m_link.get());
    m_form = std::make_unique<Form1>(m_session, *m_link, m_values);
  }
  void TearDown() override {
    m_form.reset();
    m_link.reset();
    EngineTest::TearDown();
  }
  void frame(uint32_t count, uint32_t ticks, uint8_t temp = 0x80) {
    zavsim::Reading r = frames::reading(count, ticks);
    r.temp2 = temp;
    m_session.serialBytes(zavsim::newFrame(r));
  }
  // The window's copy of the meter constants.
  void showSettings() {
    apply();
    m_form->setSettings(m_settings);
  }
  SetupValues m_values;
  FakeCommLink m_port;
  std::unique_ptr<MeterLink> m_link;
  std::unique_ptr<Form1> m_form;
};

TEST_F(Panel, ReadingsShowInThePanelAndTheWebValues) {
  setDateClockForTests([] { return QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9)); });
  m_settings.maxUpdateInterval = 12;
  apply();
  frame(10, 0);
  EXPECT_EQ(m_form->Frame1()->title(), "Energy meter - ONLINE 2024-03-01 14:05:09");
  frame(12, 2 * 62500, 0x50);  // 2 counts in 2 s at 3600 Ws per count
  EXPECT_EQ(m_form->Text8()->text(), "2");
  EXPECT_EQ(m_form->Text4()->text(), "0.002");
  EXPECT_EQ(m_form->Text2()->text(), "1.000");
  EXPECT_EQ(m_form->Label14()->text(), "60.0 °C");
  EXPECT_EQ(m_form->calculator().text(Calculator::kText9), "3,600");
  EXPECT_EQ(m_web.strZavPower, "3,600");
  EXPECT_EQ(m_web.strZavEnergy, "0.002");
  EXPECT_EQ(m_web.lngZavPower, 3600);
  EXPECT_TRUE(m_session.idleTimer().isEnabled());
  EXPECT_EQ(m_session.idleTimer().interval(), 14000);
}

// Minimised, the title carries the power and the temperature of the same reading.
TEST_F(Panel, MinimisedTitleShowsTheReadingsOwnTemperature) {
  m_form->setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(m_form->isMinimized());
  frame(10, 0, 0x50);
  frame(12, 2 * 62500, 0xF0);
  EXPECT_EQ(m_form->windowTitle(), "Zav 3,600 W  12.0 °C");
  frame(13, 3 * 62500, 0x50);
  EXPECT_EQ(m_form->windowTitle(), "Zav 3,600 W  60.0 °C");
  m_form->setWindowState(Qt::WindowNoState);
  EXPECT_FALSE(m_form->isMinimized());
}

TEST_F(Panel, CaptionsOthersWriteStayUntilTheEngineWritesItsOwn) {
  frame(1, 0);
  m_form->Frame1()->setTitle("Error: Cannot open data file");
  m_form->Label14()->setText("21.5 °C");
  frame(2, 100);
  EXPECT_EQ(m_form->Frame1()->title(), "Error: Cannot open data file");
  EXPECT_EQ(m_form->Label14()->text(), "");  // each reading writes the temperature
}

namespace {
// The live values as the user sees them: grey text, or a grey power bar.
QStringList greyValues(Form1& f) {
  QStringList grey;
  QStringList names{"Text4", "Text2", "Text8", "Label14"};
  for (int i = 0; i < 3; ++i) names << QString("Text9(%1)").arg(i) << QString("Text11(%1)").arg(i);
  for (int k = 0; k < 9; ++k) names << QString("Text5(%1)").arg(k);
  for (const QString& name : names) {
    auto* w = f.findChild<QWidget*>(name);
    w->ensurePolished();
    if (w->palette().color(w->foregroundRole()) == QColor(128, 128, 128)) grey << name;
  }
  const QImage bar = f.Picture2()->grab().toImage();
  if (QColor(bar.pixel(bar.width() / 2, bar.height() - 5)) == QColor(200, 200, 200)) grey << "Picture2";
  return grey;
}
}  // namespace

TEST_F(Panel, LiveValuesStayGreyFromTheLossUntilTheNextReading) {
  m_settings.revsPerkWh = 1000;  // the power bar's scale: 3,600 W of 7,200
  m_settings.maxMeterPower = 7200;
  showSettings();
  frame(10, 0, 0x50);
  frame(12, 2 * 62500, 0x50);
  ASSERT_TRUE(greyValues(*m_form).isEmpty());
  LinkStatus lost;
  lost.caption = "Device lost: hang-up - trying again";
  lost.onlineTicked = true;
  lost.stale = true;
  LinkStatus back = lost;
  back.caption = "Energy meter - waiting for meter at COM3";
  back.stale = false;
  LinkStatus off;
  off.caption = "Energy meter - OffLine";
  const qsizetype all = 4 + 6 + 9 + 1;
  m_link->showStatus(lost);
  EXPECT_EQ(greyValues(*m_form).size(), all) << greyValues(*m_form).join(' ').toStdString();
  m_link->showStatus(back);  // the port is open again, but nothing new was read
  EXPECT_EQ(greyValues(*m_form).size(), all);
  frame(13, 3 * 62500, 0x50);
  EXPECT_TRUE(greyValues(*m_form).isEmpty()) << greyValues(*m_form).join(' ').toStdString();
  m_link->showStatus(lost);
  m_link->showStatus(off);  // off-line the last values are no longer live, but not old either
  EXPECT_TRUE(greyValues(*m_form).isEmpty());
  m_link->showStatus(LinkStatus{});
}

TEST_F(Panel, UnitToggleAndTypedRate) {
  frame(1, 0);
  frame(3, 62500);  // 0.5 s per count
  QTest::mouseClick(m_form->findChild<QLabel*>("Label2"), Qt::LeftButton);
  EXPECT_EQ(m_form->Label2()->text(), "counts/s ");
  EXPECT_EQ(m_form->Text2()->text(), "2.000");
  m_form->Text2()->setText("4");
  QTest::keyClick(m_form->Text2(), Qt::Key_Return);
  EXPECT_DOUBLE_EQ(m_session.mRevTime(), 0.25);
  EXPECT_DOUBLE_EQ(m_session.totPower(), 14400);
}

TEST_F(Panel, SynchronisationAskedHeadlessChangesNothing) {
  m_session.setRegister(5);
  m_form->findChild<QLabel*>("Label12")->setFocus();
  QTest::mouseDClick(m_form->Label12(), Qt::LeftButton);
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 5);
}

}  // namespace
