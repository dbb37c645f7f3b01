#include "meter/window/meter_display.h"

#include <cmath>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "meter/engine/count_processor.h"
#include "meter/engine/meter_hooks.h"
#include "meter/engine/meter_state.h"
#include "meter/record/text_log.h"

MeterPanelState meterPanel;

namespace {
constexpr double kRegisterWrap = 2000000000.0;

void setText2(const QString& text, int32_t colour) {
  meterPanel.text2 = text;
  meterPanel.text2Color = colour;
  if (logShows(5)) logMsg(5, QStringLiteral("Text2_Change"));
}
}  // namespace

void setFrame1Caption(const QString& text) {
  meterPanel.frame1Caption = text;
  meterPanel.frame1CaptionSet = true;
}

void setLabel14(const QString& text) {
  meterPanel.label14 = text;
  meterPanel.label14Set = true;
}

void notifyMeterPanel() {
  if (meterPanel.changed) meterPanel.changed();
}

void showEnergy(int32_t counts) {
  energyWh += WsPerCount * counts / 3600.0;
  if (energyWh > kRegisterWrap - 1) energyWh -= kRegisterWrap;
  const double kWh = energyWh / 1000.0;
  meterPanel.text4 = formatNumber(
      kWh, std::fabs(kWh) < 10000000.0 ? QStringLiteral("#,###,##0.000") : QStringLiteral("##,###,##0"));
}

void showSecondsPerCount(double seconds) {
  const float shown = (seconds > 0 && countsPerSecondMode) ? float(1.0 / seconds) : float(seconds);
  const double single = double(float(seconds));
  if (single >= 0.00009 && single <= 3600) {
    setText2(formatNumber(shown, QStringLiteral("#,0.000")), kSysColorWindowText);
    mRevTime = seconds;
    calcPowerFromRevTime();
    setSimulationRate();
  } else {
    setText2(QStringLiteral("ERROR"), kColorRed);
  }
}

void calcPowerFromRevTime() {
  if (mRevTime == 0) return;
  totPower = WsPerCount / mRevTime;
  relPower = totPower - (meterHooks.referencePower ? meterHooks.referencePower() : 0.0);
  if (logShows(3)) {
    logMsg(3, QStringLiteral("WsPerCount=") + strPlain(WsPerCount) + QStringLiteral("  mRevTime=") +
                  strPlain(mRevTime) + QStringLiteral("  totPower=") + strPlain(totPower));
  }
  const bool minimised = meterHooks.windowMinimized && meterHooks.windowMinimized();
  if (!minimised) {
    if (meterHooks.showMeterPower) meterHooks.showMeterPower(totPower, relPower);
  } else if (meterHooks.updateTitlePower) {
    meterHooks.updateTitlePower();
  }
  writeLogLine(readingNow(), energyWh, totPower);
}

void parseIntervalField() {
  const double v = val(commaToPoint(meterPanel.text2));
  if (v > 1e-6 && v <= 1e6) {
    meterPanel.text2Color = kSysColorWindowText;
    mRevTime = countsPerSecondMode ? 1.0 / v : v;
    calcPowerFromRevTime();
  } else {
    meterPanel.text2Color = kColorRed;
  }
  notifyMeterPanel();
}

void setSimulationRate() {
  if (!meterHooks.setTimer1Interval) return;
  const double ms = std::round(mRevTime * 1000.0) / std::max<int>(1, pulseDivider);
  meterHooks.setTimer1Interval(int32_t(std::clamp(ms, 100.0, 65535.0)));
}

void label2Click() {
  countsPerSecondMode = !countsPerSecondMode;
  if (countsPerSecondMode) {
    meterPanel.label2Caption = QStringLiteral("counts/s ");
    meterPanel.text2ToolTip = QStringLiteral("number of counts per second");
  } else {
    meterPanel.label2Caption = QStringLiteral("s/count ");
    meterPanel.text2ToolTip = QStringLiteral("interval (in seconds) between two counts");
  }
  const double v = val(commaToPoint(meterPanel.text2));
  if (v <= 1e-6 || v > 1e6) {
    meterPanel.text2Color = kColorRed;
  } else {
    setText2(formatNumber(1.0 / v, QStringLiteral("#,0.000")), kSysColorWindowText);
  }
  notifyMeterPanel();
}

bool synchroniseMeter(const QString& answer, Date askedAt) {
  if (answer.isEmpty()) return true;
  const double kWh = val(removeBlanks(commaToPoint(answer)));
  if (!(kWh > 0 && kWh <= 1999999.999)) return false;
  energyWh = kWh * 1000.0;
  showEnergy(0);
  writeLogLine(askedAt, energyWh, -1);
  notifyMeterPanel();
  return true;
}
