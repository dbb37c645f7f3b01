// Pulse LED, break indication, power bar plan, idle countdown and pulse test.
#include "meter/window/indicators.h"

#include <gtest/gtest.h>

#include "meter/engine/meter_session.h"
#include "platform/form_timer.h"
#include "support/log_capture.h"

TEST(FormTimer, IntervalZeroOrLessStaysStopped) {
  FormTimer t;
  t.setEnabled(true);
  EXPECT_FALSE(t.isRunning());
  t.setInterval(-5);
  EXPECT_FALSE(t.isRunning());
  t.setInterval(100);
  EXPECT_TRUE(t.isRunning());
  t.setInterval(0);
  EXPECT_FALSE(t.isRunning());
  EXPECT_TRUE(t.isEnabled());
  t.setInterval(70000);
  EXPECT_EQ(t.interval(), 65535);
  EXPECT_TRUE(t.isRunning());
  t.setEnabled(false);
  EXPECT_FALSE(t.isRunning());
}

TEST(PulseLed, ColourByPulseWidth) {
  const QColor cyan(0, 255, 255), blue(0, 0, 255), yellow(255, 255, 0), green(0, 255, 0), red(255, 0, 0);
  const std::pair<int, QColor> rows[] = {{-3, cyan},  {1, cyan},  {2, blue},   {3, yellow},
                                         {4, yellow}, {5, green}, {6, green},  {7, yellow},
                                         {8, yellow}, {9, red},   {32767, red}};
  for (const auto& [bits, colour] : rows) EXPECT_EQ(pulseLedColor(bits), colour) << bits;
}

TEST(PulseLed, FlashLastsUntilTimer2AndBreakTurnsItRed) {
  Indicators ind;
  int beeps = 0, ledChanges = 0;
  ind.setRingBell(true);
  QObject::connect(&ind, &Indicators::bellRung, [&] { ++beeps; });
  QObject::connect(&ind, &Indicators::ledChanged, [&] { ++ledChanges; });
  int16_t widthBits = 5;
  ind.onPulseIndicator(0.1, -2, 0, {}, widthBits);
  EXPECT_TRUE(ind.ledSolid());
  EXPECT_EQ(ind.ledColor(), QColor(0, 255, 0));
  EXPECT_TRUE(ind.Timer2.isRunning());
  EXPECT_EQ(ind.Timer2.interval(), 200);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(ledChanges, 1);
  ind.timer2Timer();
  EXPECT_FALSE(ind.ledSolid());
  EXPECT_FALSE(ind.Timer2.isRunning());
  EXPECT_EQ(ledChanges, 2);
  ind.setRingBell(false);  // no bell without the setting
  ind.onPulseIndicator(0.1, -2, 0, {}, widthBits);
  EXPECT_EQ(beeps, 1);
  ind.timer2Timer();

  ind.showBreakIndicator();
  EXPECT_TRUE(ind.ledSolid());
  EXPECT_EQ(ind.ledColor(), QColor(255, 0, 255));
  ind.onPulseIndicator(0.1, -2, 0, {}, widthBits);  // the flash after a break shows no colour
  EXPECT_FALSE(ind.ledSolid());
  ind.timer2Timer();  // then red, until the next pulse
  EXPECT_TRUE(ind.ledSolid());
  EXPECT_EQ(ind.ledColor(), QColor(255, 0, 0));
  EXPECT_FALSE(ind.breakIndicated());
  widthBits = 2;
  ind.onPulseIndicator(0.1, -2, 0, {}, widthBits);
  EXPECT_EQ(ind.ledColor(), QColor(0, 0, 255));
}

namespace {
PowerBarInputs meter(QSizeF box) {
  PowerBarInputs in;
  in.wsPerCount = 3600;  // 1 Wh per count
  in.revsPerkWh = 1000;
  in.maxMeterPower = 7200;  // full scale 2 counts per second
  in.prescale = 1;
  in.boxTwips = box;
  return in;
}
const QSizeF kVertical(270, 6000), kHorizontal(3000, 300);
}  // namespace

TEST(PowerBar, NothingWithoutMeterConstant) {
  PowerBarInputs in = meter(kVertical);
  in.wsPerCount = 0;
  EXPECT_FALSE(planPowerBar(1, 0, in).drawn);
}

TEST(PowerBar, FullScaleBelowMinimumOnlyClears) {
  PowerBarInputs in = meter(kVertical);
  in.maxMeterPower = 3.5;  // 0.00097 counts per second
  const PowerBarPlan p = planPowerBar(1, 0, in);
  EXPECT_TRUE(p.drawn);
  EXPECT_TRUE(p.cleared);
  EXPECT_FALSE(p.hasGreen);
  EXPECT_TRUE(p.scale.isNull());
}

TEST(PowerBar, VerticalBarGrowsUpFromTheBottom) {
  const PowerBarPlan p = planPowerBar(1, 0, meter(kVertical));  // 1 count/s of 2
  EXPECT_FALSE(p.horizontal);
  EXPECT_DOUBLE_EQ(p.maxPulseFreq, 2);
  EXPECT_DOUBLE_EQ(p.pulseFreq, 1);
  EXPECT_DOUBLE_EQ(p.revsPerWs, 1000.0 / 3600000);
  EXPECT_TRUE(p.hasGreen);
  EXPECT_FALSE(p.hasRed);
  EXPECT_EQ(p.scale, QRectF(0, 0, 270, 2));
  EXPECT_EQ(p.green, QRectF(QPointF(1, 1), QPointF(269, 2)));
  EXPECT_EQ(powerBarLogText(p),
            "updatePowerBarIndicator: revsPerWs=0.000277777777777778  maxPulseFreq=2  pulseFreq=1  "
            "relPulseWidth=0");
}

TEST(PowerBar, NoGreenWithoutIntervalAndLongPulseFillsRed) {
  EXPECT_FALSE(planPowerBar(0, 0, meter(kVertical)).hasGreen);
  EXPECT_FALSE(planPowerBar(-1, 0, meter(kVertical)).hasGreen);
  PowerBarInputs in = meter(kVertical);
  in.prescale = 4;
  const PowerBarPlan p = planPowerBar(0.5, 0.2, in);  // 4 x 0.2 > 0.5: the whole bar
  EXPECT_DOUBLE_EQ(p.relPulseWidth, p.pulseFreq);
  EXPECT_EQ(p.red, p.green);
}

TEST(PowerBar, ReferenceLineOnlyInRelativeMode) {
  PowerBarInputs in = meter(kVertical);
  in.referencePower = 1800;  // 0.5 counts per second
  EXPECT_FALSE(planPowerBar(1, 0, in).hasRef);
  in.relative = true;
  const PowerBarPlan p = planPowerBar(1, 0, in);
  EXPECT_TRUE(p.hasRef);
  EXPECT_EQ(p.ref, QLineF(1, 1.5, 269, 1.5));
  in.boxTwips = kHorizontal;
  const PowerBarPlan h = planPowerBar(1, 0, in);
  EXPECT_TRUE(h.horizontal);
  EXPECT_EQ(h.green, QRectF(QPointF(0, 1), QPointF(1, 4)));
  EXPECT_EQ(h.ref, QLineF(0.5, 0, 0.5, 5));
}

TEST(PowerBar, IntervalOfMinusTwoLeavesTheBarAlone) {
  Indicators ind;
  int drawn = 0;
  QObject::connect(&ind, &Indicators::powerBarPlanned, [&](const PowerBarPlan&) { ++drawn; });
  ind.onPulseIndicator(0.1, -2, 0, meter(kVertical), 0);
  EXPECT_EQ(drawn, 0);
  ind.onPulseIndicator(0.1, -1.5, 0, meter(kVertical), 0);
  EXPECT_EQ(drawn, 1);
  ind.updatePowerBarIndicator(1, 0, {});  // no meter constant: nothing to draw
  EXPECT_EQ(drawn, 1);
}

TEST(IdleCountdown, Timer3StopsItselfWhileOffline) {
  LogCapture log;
  // Two readings a minute apart start a countdown of 72 s, Timer3 at its 65535 ms.
  MeterSession session;
  Settings settings;
  settings.ticksPerSec = 62500;
  settings.WsPerCount = 3600;
  settings.ifType = 2;
  settings.maxUpdateInterval = 12;
  session.setSettings(settings);
  session.setOnline(true);
  session.takeReading(Reading{.count = 1, .temperature = 0x80});
  session.takeReading(Reading{.count = 2, .ticks = 60 * 62500, .temperature = 0x80});
  ASSERT_TRUE(session.idleTimer().isEnabled());
  session.setOnline(false);
  session.Timer3_Timer();
  EXPECT_FALSE(session.idleTimer().isEnabled());
  EXPECT_TRUE(log.contains("Timer3_Timer(): interval=65535  lastCountInterval=72000"));
  EXPECT_FALSE(log.contains("ERROR Timer3_Timer"));  // an idle tick is no failure
}

TEST(PulseTest, WhiteFlashOfOnTimeEveryPeriod) {
  Indicators ind;
  ind.pulseTestChecked(true, "10", "1000");
  EXPECT_EQ(ind.Timer6.interval(), 10);
  EXPECT_EQ(ind.Timer5.interval(), 1000);
  EXPECT_TRUE(ind.Timer5.isRunning());
  EXPECT_FALSE(ind.Timer6.isEnabled());
  ind.timer5Timer();
  EXPECT_EQ(ind.shape2Color(), QColor(Qt::white));
  EXPECT_TRUE(ind.Timer6.isRunning());
  ind.timer6Timer();
  EXPECT_EQ(ind.shape2Color(), QColor(Qt::black));
  EXPECT_FALSE(ind.Timer6.isEnabled());
  ind.pulseTestChecked(false, "10", "1000");
  EXPECT_FALSE(ind.Timer5.isEnabled());
  EXPECT_EQ(ind.shape2Color(), QColor(255, 255, 0));
}

TEST(PulseTest, IntervalTextsOutsideTheTimerRange) {
  EXPECT_EQ(pulseTestInterval("10.9"), 10);
  EXPECT_EQ(pulseTestInterval("abc"), 0);
  EXPECT_EQ(pulseTestInterval("-20"), 0);
  EXPECT_EQ(pulseTestInterval("1e12"), 65535);
  Indicators ind;
  ind.pulseTestChecked(true, "x", "0");
  EXPECT_FALSE(ind.Timer5.isRunning());
}
