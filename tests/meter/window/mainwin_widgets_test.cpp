// The main window's calculator boxes, LED and power bar as the user sees them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>
#include <cerrno>

#include "core/settings/detector_types.h"
#include "core/settings/setup_values.h"
#include "meter/window/calculator.h"
#include "meter/window/calculator_panel.h"
#include "meter/window/caption_frame.h"
#include "meter/window/form1.h"
#include "meter/window/indicator_widgets.h"
#include "meter/window/indicators.h"
#include "meter/window/link_view.h"
#include "platform/colour.h"
#include "platform/comm_port.h"
#include "tests/meter/window/meter_owners.h"

namespace {
struct LoadedWindow : ::testing::Test, MeterOwners {
  Form1 f{session, link, values};
  void SetUp() override { f.formLoad(); }
  QLineEdit* box(const char* name) { return f.findChild<QLineEdit*>(name); }
  // The tool tip a pause of the pointer over the meter frame's caption shows.
  QString frameToolTip() {
    const QPoint at(30, 6);
    QHelpEvent help(QEvent::ToolTip, at, f.Frame1()->mapToGlobal(at));
    QApplication::sendEvent(f.Frame1(), &help);
    return help.isAccepted() && QToolTip::isVisible() ? QToolTip::text() : QString();  // ignored: none
  }
};
}  // namespace

TEST_F(LoadedWindow, TypingPowerUpdatesCurrentsAndPeriods) {
  QLineEdit* power = box("Text9(0)");
  power->selectAll();
  QTest::keyClicks(power, "2300");
  EXPECT_EQ(power->text(), "2300");
  EXPECT_EQ(box("Text5(0)")->text(), "10.00");
  EXPECT_EQ(box("Text5(8)")->text(), "1.92");
  EXPECT_EQ(box("Text9(2)")->text(), "2,300");
  // month, quarter and year at 2.3 kW
  EXPECT_EQ(box("Text11(0)")->text(), "1,680");
  EXPECT_EQ(box("Text11(2)")->text(), "20,162");
  f.calculatorPanel()->Option2(1)->setChecked(true);
  EXPECT_EQ(f.calculatorPanel()->Frame3()->title(), "cost over period");
}

TEST_F(LoadedWindow, TypedPriceBecomesTheSetting) {
  QLineEdit* price = box("Text10");
  price->clear();
  QTest::keyClicks(price, "0,25 ");
  EXPECT_EQ(values.settings().pricePerkWh, "0,25");
  EXPECT_DOUBLE_EQ(f.calculator().pricePerkWhValue, 0.25);
}

TEST_F(LoadedWindow, PulseFlashesTheLedInItsColour) {
  f.indicators().clearBreakIndicator();
  f.indicators().onPulseIndicator(0.1, -2, 0, f.powerBarInputs(), 9);
  EXPECT_TRUE(f.Shape1()->solid());
  EXPECT_EQ(f.Shape1()->colour(), QColor(255, 0, 0));
  f.indicators().timer2Timer();
  EXPECT_FALSE(f.Shape1()->solid());
}

TEST_F(LoadedWindow, PowerBarFillsGreenFromTheBottom) {
  settings.WsPerCount = 3600;
  settings.revsPerkWh = 1000;
  settings.maxMeterPower = 7200;
  settings.prescale = 1;
  f.setSettings(settings);
  f.indicators().updatePowerBarIndicator(1, 0, f.powerBarInputs());  // half of full scale
  ASSERT_TRUE(f.Picture2()->plan().hasGreen);
  const QImage img = f.Picture2()->grab().toImage();
  const int x = img.width() / 2;
  EXPECT_EQ(QColor(img.pixel(x, img.height() - 5)), QColor(0, 255, 0));
  EXPECT_EQ(QColor(img.pixel(x, 5)), QColor(Qt::white));
}

TEST_F(LoadedWindow, LongMeterCaptionIsCutInTheMiddleAndShownWholeAsToolTip) {
  auto* frame = qobject_cast<CaptionFrame*>(f.Frame1());
  ASSERT_TRUE(frame);
  const struct {
    const char* name;
    QString caption;
    bool cut;
  } rows[] = {
      {"fits", "Energy meter - OffLine", false},
      {"dialout",
       "Error: Cannot open COM3 (/dev/ttyS2): permission denied; add your user to the group \"dialout\" "
       "(sudo usermod -aG dialout $USER) and log in again",
       true},
      {"lost", "Device lost: COM3 (/dev/ttyUSB0): the device has been removed - trying again", true},
  };
  for (const auto& r : rows) {
    frame->setTitle(r.caption);
    const QString shown = frame->shownCaption();
    EXPECT_EQ(frame->title(), r.caption) << r.name;  // what the program and its tests read
    EXPECT_EQ(shown != r.caption, r.cut) << r.name;
    EXPECT_LE(frame->fontMetrics().horizontalAdvance(shown), frame->width()) << r.name;
    EXPECT_TRUE(shown.startsWith(r.caption.left(5)) && shown.endsWith(r.caption.right(5))) << r.name;
    EXPECT_EQ(frameToolTip(), r.cut ? r.caption : QString()) << r.name;
  }
}

// A port that did not open shows why at the frame's own width; advice that cannot fit
// is in the tool tip until another caption comes.
TEST_F(LoadedWindow, PortErrorKeepsItsReasonInViewAndItsAdviceInTheToolTip) {
  connectLinkView(
      session, link, values, [this] { return &f; }, &f);
  auto* frame = qobject_cast<CaptionFrame*>(f.Frame1());
  ASSERT_TRUE(frame);
  const struct {
    const char* name;
    int err;
    QString reason;
    bool advice;
  } rows[] = {{"permission", EACCES, "permission denied", true},
              {"in use", EBUSY, "port already in use", false}};
  for (const auto& r : rows) {
    const QString why = commOpenErrorText("COM13 (/dev/ttyUSB4)", r.err);
    LinkStatus status;
    setCannotOpenCaption(status, 13, why);
    link.showStatus(status);
    const QString shown = frame->shownCaption();
    EXPECT_TRUE(shown.startsWith("Error: Cannot open COM13") && shown.endsWith(r.reason))
        << shown.toStdString();
    const QString tip = frameToolTip();
    EXPECT_EQ(tip.contains("dialout"), r.advice) << r.name;
    EXPECT_EQ(tip.isEmpty(), shown == frame->title()) << r.name;  // the whole text when any is hidden
  }
  frame->setTitle("Energy meter - ONLINE 2024-03-01 14:05:09");  // as a reading sets it
  EXPECT_EQ(frameToolTip(), QString());
}

TEST_F(LoadedWindow, FieldColoursAndHintsReachTheBoxes) {
  const QColor grey = colourToQColor(kFieldColourGrey);
  auto base = [this](const char* name) { return box(name)->palette().color(QPalette::Base); };
  f.calculator().setPeriodFieldsColor(kFieldColourGrey);
  f.calculator().setFieldsColor3(kFieldColourGrey);
  f.calculator().calcCurrent();
  EXPECT_EQ(base("Text11(2)"), grey);
  EXPECT_EQ(base("Text3(1)"), grey);
  EXPECT_EQ(box("Text5(4)")->toolTip(), "Common phase current, (other 2 phases = Load current)");
  session.setMeterFieldsColor2();
  EXPECT_EQ(base("Text2"), grey);
  EXPECT_EQ(base("Text8"), grey);
  EXPECT_NE(base("Text4"), grey);
  session.setMeterFieldsColor();
  EXPECT_EQ(base("Text8"), colourToQColor(kFieldColourNormal));
}

// The panel and the power take each reading's values as it is announced; minimised,
// the title shows the power with the temperature of the same reading.
TEST_F(LoadedWindow, ReadingsReachThePanelTheCalculatorAndTheMinimisedTitle) {
  settings.ZAVdetectorVer = kNewFrameDetectorVer;
  settings.ticksPerSec = 62500;
  settings.WsPerCount = 3600;
  settings.ifType = 2;
  apply();
  f.setSettings(settings);
  session.setOnline(true);
  const auto reading = [this](int32_t count, int32_t ticks, int16_t temp) {
    session.takeReading(Reading{.count = count, .ticks = ticks, .temperature = temp});
  };
  reading(1, 0, 0x80);
  EXPECT_TRUE(f.Frame1()->title().startsWith("Energy meter - ONLINE ")) << f.Frame1()->title().toStdString();
  EXPECT_EQ(f.Text2()->text(), "ERROR");  // no rate yet
  reading(2, 62500, 0x50);
  EXPECT_EQ(f.Text4()->text(), "0.001");
  EXPECT_EQ(f.Text8()->text(), "1");
  EXPECT_EQ(f.Text2()->text(), "1.000");
  EXPECT_EQ(f.Label14()->text(), "60.0 °C");
  EXPECT_EQ(box("Text9(0)")->text(), "3,600");
  f.setWindowState(Qt::WindowMinimized);
  reading(4, 2 * 62500, 0xF0);
  EXPECT_EQ(f.windowTitle(), "Zav 7,200 W  12.0 °C");
  reading(4, 3 * 62500, 0x30);  // no new count: no new power, the title stays
  EXPECT_EQ(f.windowTitle(), "Zav 7,200 W  12.0 °C");
  EXPECT_EQ(f.Label14()->text(), "44.0 °C");
  f.setWindowState(Qt::WindowNoState);
}
