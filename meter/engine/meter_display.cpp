#include "meter/engine/meter_display.h"

#include <cmath>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "meter/engine/count_processor.h"
#include "meter/engine/meter_state.h"
#include "meter/meter_events.h"
#include "meter/engine/register_log.h"
#include "meter/record/text_log.h"

MeterPanelState meterPanel;

namespace {
constexpr double kMinTypedRate = 1e-6;
constexpr double kMaxTypedRate = 1e6;

void setText2(const QString& text, int32_t colour, double seconds) {
  meterPanel.text2 = text;
  meterPanel.text2Color = colour;
  meterPanel.text2Seconds = seconds;
  meterPanel.text2Typed = false;
  if (logShows(5)) logMsg(5, QStringLiteral("Text2_Change"));
}

// The number Text2 stands for, in the unit it shows: what the user typed,
// or the rate the program showed there.
double text2Value(const QString& boxText) {
  if (boxText != meterPanel.text2) {
    meterPanel.text2 = boxText;
    meterPanel.text2Typed = true;
  }
  if (meterPanel.text2Typed) return val(commaToPoint(meterPanel.text2));
  const double s = meterPanel.text2Seconds;
  if (s <= 0) return 0;
  return countsPerSecondMode ? 1.0 / s : s;
}

bool typedRateOk(double v) { return v > kMinTypedRate && v <= kMaxTypedRate; }
}  // namespace

QString fmtValMBelow(double value, double twoDecimalsBelow) {
  if (value > 9999999) return formatNumber(value / 1000000, QStringLiteral("###,##0.000 \\M"));
  if (value < twoDecimalsBelow) return formatNumber(value, QStringLiteral("###,##0.00"));
  return formatNumber(value, QStringLiteral("###,##0"));
}

QString fmtValM(double value, bool errorPending) {
  if (errorPending) return QStringLiteral("ERROR");
  return fmtValMBelow(value, 999.99);
}

void setFrame1Caption(const QString& text) {
  meterPanel.frame1Caption = text;
  meterPanel.frame1CaptionSet = true;
}

void setLabel14(const QString& text) {
  meterPanel.label14 = text;
  meterPanel.label14Set = true;
}

void notifyMeterPanel() { emit meterEvents().meterPanelChanged(); }

QString registerText(double energyWh) {
  const double kWh = energyWh / 1000.0;
  return formatNumber(kWh,
                      std::fabs(kWh) < 10000000.0 ? QStringLiteral("#,###,##0.000") : QStringLiteral("##,###,##0"));
}

void setRegister(double wh) {
  energyWh = wh;
  meterPanel.text4 = registerText(energyWh);
}

void showEnergy(int32_t counts) { setRegister(registerAfter(energyWh, WsPerCount, counts)); }

QString temperatureText(float tempDegC) {
  if (tempDegC <= -200 || tempDegC >= 200) return QString();
  return formatNumber(tempDegC, QStringLiteral("#,0.0 °C"));
}

void setLiveValues(float tempDegC) {
  strZavEnergy.setValue(energyWh, registerText);
  strZavPower.setValue(totPower, [](double w) { return fmtValM(w); });
  strZavTemp.setValue(tempDegC, [](double t) { return temperatureText(float(t)); });
  lngZavEnergy = roundClamped(energyWh / 1000.0);
  lngZavPower = roundClamped(totPower);
  lngZavTemp = roundClamped(tempDegC);
}

void showSecondsPerCount(double seconds) {
  const float shown = (seconds > 0 && countsPerSecondMode) ? float(1.0 / seconds) : float(seconds);
  if (validRate(seconds)) {
    setText2(formatNumber(shown, QStringLiteral("#,0.000")), kSysColorWindowText, seconds);
    mRevTime = seconds;
    calcPowerFromRevTime();
    setSimulationRate();
  } else {
    setText2(QStringLiteral("ERROR"), kColorRed, 0);
  }
}

void calcPowerFromRevTime() {
  if (mRevTime == 0) return;
  totPower = WsPerCount / mRevTime;
  if (logShows(3)) {
    logMsg(3, QStringLiteral("WsPerCount=") + strPlain(WsPerCount) + QStringLiteral("  mRevTime=") +
                  strPlain(mRevTime) + QStringLiteral("  totPower=") + strPlain(totPower));
  }
  if (!mainWindowMinimized) {
    emit meterEvents().meterPowerShown(totPower);
  } else {
    emit meterEvents().titlePowerShown(totPower, meterPanel.label14);
  }
  writeLogLine(readingNow(), energyWh, totPower);
}

void parseIntervalField(const QString& boxText) {
  const double v = text2Value(boxText);
  if (typedRateOk(v)) {
    meterPanel.text2Color = kSysColorWindowText;
    mRevTime = countsPerSecondMode ? 1.0 / v : v;
    calcPowerFromRevTime();
  } else {
    meterPanel.text2Color = kColorRed;
  }
  notifyMeterPanel();
}

namespace {
void setMeterFieldsBack(int32_t colour) {
  meterPanel.text8Back = colour;
  meterPanel.text2Back = colour;
  notifyMeterPanel();
}
}  // namespace

void setMeterFieldsColor() { setMeterFieldsBack(kFieldColourNormal); }

void setMeterFieldsColor2() { setMeterFieldsBack(kFieldColourGrey); }

void setSimulationRate() {
  const double ms = std::round(mRevTime * 1000.0) / std::max<int>(1, pulseDivider);
  emit meterEvents().simulationRateSet(int32_t(std::clamp(ms, 100.0, 65535.0)));
}

void label2Click(const QString& boxText) {
  const double v = text2Value(boxText);
  countsPerSecondMode = !countsPerSecondMode;
  if (countsPerSecondMode) {
    meterPanel.label2Caption = QStringLiteral("counts/s ");
    meterPanel.text2ToolTip = QStringLiteral("number of counts per second");
  } else {
    meterPanel.label2Caption = QStringLiteral("s/count ");
    meterPanel.text2ToolTip = QStringLiteral("interval (in seconds) between two counts");
  }
  if (!typedRateOk(v)) {
    meterPanel.text2Color = kColorRed;
  } else {
    // The rate stays; only its unit changes.
    const double seconds = countsPerSecondMode ? v : 1.0 / v;
    setText2(formatNumber(1.0 / v, QStringLiteral("#,0.000")), kSysColorWindowText, seconds);
  }
  notifyMeterPanel();
}

bool synchroniseMeter(const QString& answer, Date askedAt) {
  if (answer.isEmpty()) return true;
  const double kWh = val(removeBlanks(commaToPoint(answer)));
  if (!(kWh > 0 && kWh <= 1999999.999)) return false;
  energyWh = kWh * 1000.0;
  showEnergy(0);
  writeLogLine(askedAt, energyWh, kSyncMarker);
  notifyMeterPanel();
  return true;
}
