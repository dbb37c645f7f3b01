#pragma once
// The live indicators of the main window without their widgets: the pulse LED
// (colour by pulse width, break indication, 200 ms flash), the power bar's
// drawing plan and the pulse test.

#include <QColor>
#include <QLineF>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <cstdint>

#include "platform/form_timer.h"

// Colour of the LED flash for a pulse this many bit times wide.
QColor pulseLedColor(int16_t widthBits);

// What the power bar shows, in the bar's own scale: rate 0 at the left
// (horizontal bar) or at the bottom (vertical bar), full scale at the other end.
struct PowerBarPlan {
  bool drawn = false;  // false: WsPerCount not positive, the bar is left as it is
  bool cleared = false;
  bool horizontal = false;
  QRectF scale;  // user coordinates of the box: left, top, width, height
  double revsPerWs = 0, maxPulseFreq = 0, pulseFreq = 0, relPulseWidth = 0, refFreq = 0;
  bool hasGreen = false, hasRed = false, hasRef = false;
  QRectF green, red;
  QLineF ref;
};

struct PowerBarInputs {
  double wsPerCount = 0;
  double revsPerkWh = 0;
  double maxMeterPower = 0;
  int prescale = 1;
  double referencePower = 0;  // W, used when the relative option is selected
  bool relative = false;
  QSizeF boxTwips;  // the picture box's width and height
};

PowerBarPlan planPowerBar(double interval, double pulseWidth, const PowerBarInputs& in);
// The level-3 text of a power bar update.
QString powerBarLogText(const PowerBarPlan& plan);

// The whole-number value of a pulse-test box as a timer interval in ms.
int pulseTestInterval(const QString& text);

class Indicators : public QObject {
  Q_OBJECT
 public:
  explicit Indicators(QObject* parent = nullptr);

  // in: the meter constants and the bar's box, as the window has them now;
  // widthBits: the pulse's width in bit times (the LED's colour).
  void onPulseIndicator(double duration, double interval, double pulseWidth, const PowerBarInputs& in,
                        int16_t widthBits);
  void updatePowerBarIndicator(double interval, double pulseWidth, const PowerBarInputs& in);
  // A line break on the plain pulse device: the LED shows it until its next flash ends.
  void showBreakIndicator();
  // The port opened or closed: a break seen before is old news.
  void clearBreakIndicator() { m_breakIndicated = false; }
  bool breakIndicated() const { return m_breakIndicated; }
  // "Ring bell for each pulse".
  void setRingBell(bool on) { m_ringBell = on; }
  void timer2Timer();
  void pulseTestChecked(bool checked, const QString& onTimeText, const QString& periodText);
  void timer5Timer();
  void timer6Timer();

  bool ledSolid() const { return m_ledSolid; }
  QColor ledColor() const { return m_ledColor; }
  QColor shape2Color() const { return m_shape2Color; }

  FormTimer Timer2, Timer5, Timer6;

 signals:
  void powerBarPlanned(const PowerBarPlan& plan);  // the bar shows this plan
  void ledChanged();     // the pulse LED's fill or colour changed
  void shape2Changed();  // the pulse-test shape's colour changed
  void bellRung();       // a pulse with "Ring bell for each pulse" set

 private:
  void setLed(bool solid, QColor colour);
  void setShape2(QColor colour);

  bool m_breakIndicated = false;
  bool m_ringBell = false;
  bool m_ledSolid = false;
  QColor m_ledColor;
  QColor m_shape2Color{255, 255, 0};
};
