#include "core/settings/settings_fields.h"

#include <cmath>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/settings/derived_constants.h"
#include "core/settings/settings.h"
#include "core/settings/settings_events.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/message_box.h"

namespace {
QString text1(int i) { return ctl("Text1", i); }

// What an option group or a row of check boxes stored: a detail of every
// settings apply, never an error.
constexpr int kStoredValueLevel = 4;

void logStored(const QString& what, const QString& caption, int index, int32_t stored) {
  if (!logShows(kStoredValueLevel)) return;
  logMsg(kStoredValueLevel, what + caption + u'=' + QString::number(index) + QStringLiteral("  destVariable=") +
                                QString::number(stored));
}
}  // namespace

double lenientNumber(const QString& text) { return valUnbounded(commaToPoint(removeBlanks(text))); }

Date parseSignedTimeText(const QString& text) {
  QString s = text.trimmed();
  double sign = 1;
  if (text.startsWith(u'-') || text.startsWith(u'+')) {
    sign = text.startsWith(u'-') ? -1 : 1;
    s = text.mid(1).trimmed();
  }
  double sum = 0;
  QString token = nextToken(s);
  if (!token.contains(u':')) {
    sum += val(commaToPoint(token));
    token = nextToken(s);
  }
  if (!token.isEmpty()) {
    Date time = 0;
    if (!localeToDate(token, time)) return 0;
    sum += time;
  }
  return sign * sum;
}

QString formatSignedTimeText(Date value) {
  QString t = value > 0 ? QStringLiteral("+") : value < 0 ? QStringLiteral("-") : QString();
  const double magnitude = std::fabs(value);
  const double days = std::trunc(magnitude);
  if (days != 0) t += strPlain(days) + u' ';
  return t + generalDate(magnitude - days);
}

std::optional<int16_t> prescaleFromText(const QString& text) {
  const double v = std::floor(valUnbounded(commaToPoint(text)));
  if (!std::isfinite(v)) return std::nullopt;
  if (!(v >= 1)) return 1;
  if (v > 10000) return 10000;
  return static_cast<int16_t>(v);
}

std::optional<int32_t> colourFromFieldText(const QString& text) {
  const double v = valUnbounded(QStringLiteral("&H") + removeBlanks(text) + u'&');
  int32_t c = 0;
  if (!roundToInt32(v, c)) return std::nullopt;
  return c & 0xFFFFFF;
}

void SetupFields::text1Change(int index, bool reparse) {
  const QString name = text1(index);
  const QString t = m_c.text(name);
  const double v = lenientNumber(t);
  bool ok = true;
  switch (index) {
    case 0: ok = localeToInt16(t, comPort); break;
    case 1:
      if (const std::optional<int16_t> p = prescaleFromText(t)) {
        prescale = *p;
        updateText5Display();
      } else {
        ok = false;
      }
      break;
    case 2: ok = localeToInt32(t, maxPlotPoints); break;
    case 3: ok = localeToInt16(t, msgLevel); break;
    case 4: ok = localeToDouble(t, maxZavFileSize); break;
    case 5: ok = localeToDouble(t, y1ScaleMax); break;
    case 6: ok = localeToDouble(t, y1ScaleMin); break;
    case 7: ok = localeToDouble(t, y2ScaleMax); break;
    case 8: ok = localeToDouble(t, y2ScaleMin); break;
    case 11:
      ok = localeToDouble(t, ticksPerSec);
      if (ok) updateText5Display();
      break;
    case 12:
      ok = localeToDouble(t, pulsesPerRev);
      if (ok) updateText5Display();
      break;
    case 13: ok = twinChange(13, 15, v, true, 1, 100000, revsPerkWh); break;
    case 15: ok = twinChange(15, 13, v, true, 1, 100000, revsPerkWh); break;
    case 16: ok = twinChange(16, 24, v, true, 0.1, 1000000, maxMeterPower); break;
    case 24: ok = twinChange(24, 16, v, true, 0.1, 1000000, maxMeterPower); break;
    case 17: ok = twinChange(17, 31, v, false, 0, 0, minUpdateInterval); break;
    case 31: ok = twinChange(31, 17, v, false, 0, 0, minUpdateInterval); break;
    case 18: ok = twinChange(18, 32, v, false, 0, 0, maxUpdateInterval); break;
    case 32: ok = twinChange(32, 18, v, false, 0, 0, maxUpdateInterval); break;
    case 14: comSetting = removeBlanks(t); break;
    case 19: {
      int32_t id = 0;
      ok = roundToInt32(v, id);
      if (ok) ZAVdetectorVer = id == 17593 ? 24840 : id;
      // Unlike the original, an accepted version shows the normal colour again.
      break;
    }
    case 20: ok = roundToInt32(v, ZAVmeterID); break;
    case 25:
    case 26: {
      // No rule refuses a size: the chart limits it; a text that is no number leaves it.
      int32_t side = 0;
      if (localeToInt32(t, side)) (index == 25 ? plotWidth : plotHeight) = side;
      break;
    }
    case 27:
      // The field sets its own text colour, unless the colour is refused.
      if (colourChange(name, t)) return;
      ok = false;
      break;
    case 28: {
      minTextFileSaveInterval = 0;
      Date d = 0;
      ok = localeToDate(t, d);
      if (ok) minTextFileSaveInterval = d;
      break;
    }
    case 29:
    case 30: ok = clockDivisorChange(reparse); break;
    default:
      if (index >= 33 && index <= 48) ok = buildValueTypes();
      break;
  }
  m_c.setForeColor(name, ok ? logColourNormal : logColourError);
}

bool SetupFields::twinChange(int index, int twin, double v, bool ranged, double lo, double hi,
                             double& global) {
  Q_UNUSED(index);
  if (!std::isfinite(v) || (ranged && (v < lo || v > hi))) return false;
  const double w = lenientNumber(m_c.text(text1(twin)));
  if (w != v) {
    // The twin's own handler finds both equal and stores the global.
    m_c.setText(text1(twin), localeFromDouble(v));
  } else {
    global = v;
    updateText5Display();
  }
  return true;
}

bool SetupFields::clockDivisorChange(bool reparse) {
  double clock = 0, divisor = 0;
  if (!localeToDouble(m_c.text(text1(29)), clock) || !localeToDouble(m_c.text(text1(30)), divisor) ||
      divisor == 0)
    return false;
  if (reparse) return true;
  ticksPerSec = clock / divisor;
  m_c.setText(text1(11), localeFromDouble(ticksPerSec));
  updateText5Display();
  return true;
}

bool SetupFields::colourChange(const QString& name, const QString& text) {
  const std::optional<int32_t> colour = colourFromFieldText(text);
  if (!colour) return false;
  plotBackgroundColor = *colour;
  m_c.setBackColor(name, plotBackgroundColor);
  const int sum = (plotBackgroundColor & 0xFF) + ((plotBackgroundColor >> 8) & 0xFF) +
                  ((plotBackgroundColor >> 16) & 0xFF);
  m_c.setForeColor(name, sum < 384 ? 0xFFFFFF : 0);
  return true;
}

void SetupFields::text5Change(int index) {
  if (index == 7) updateText5Display();
}

void SetupFields::updateText5Display() {
  MeterScaleInputs in;
  in.revsPerkWh = revsPerkWh;
  in.pulsesPerRev = pulsesPerRev;
  in.prescale = prescale;
  in.ticksPerSec = ticksPerSec;
  in.maxMeterPower = maxMeterPower;
  in.minUpdateInterval = minUpdateInterval;
  in.maxUpdateInterval = maxUpdateInterval;
  in.timerBits = val(commaToPoint(m_c.text(ctl("Text5", 7))));
  in.counterBits = val(commaToPoint(m_c.text(ctl("Text5", 14))));
  in.WsPerCount = WsPerCount;
  in.minMeterScale = minMeterScale;
  const MeterScaleResult r = computeMeterScale(in);
  if (!r.changed) return;
  WsPerCount = r.WsPerCount;
  minMeterScale = r.minMeterScale;
  static const int kOrder[] = {0, 6, 9, 13, 5, 8, 1, 2, 3, 4, 10, 12, 11};
  for (int k : kOrder)
    if (r.text5[k]) m_c.setText(ctl("Text5", k), *r.text5[k]);
}

bool SetupFields::buildValueTypes() {
  auto fields = [&](int first) {
    return ValueTypeFields{m_c.text(text1(first)), m_c.text(text1(first + 1)), m_c.text(text1(first + 2)),
                           m_c.text(text1(first + 3))};
  };
  if (!buildValueType(vtEnergy, m_c.value(ctl("Check11", 0)), fields(33), fields(41), true)) return false;
  return buildValueType(vtPower, m_c.value(ctl("Check11", 1)), fields(37), fields(45), false);
}

void SetupFields::setOptionValueVar(const QString& group, int16_t& dest) {
  const int n = m_c.count(group);
  for (int i = 0; i < n; ++i) {
    const QString name = group + u'(' + QString::number(i) + u')';
    if (m_c.value(name) != 1) continue;
    dest = static_cast<int16_t>(i);
    logStored(QStringLiteral("setOptionValue: "), m_c.caption(name), i, dest);
  }
}

void SetupFields::setCheckedBits(const QString& group, int32_t& dest) {
  dest = 0;
  const int n = m_c.count(group);
  for (int i = 0; i < n; ++i) {
    const QString name = group + u'(' + QString::number(i) + u')';
    if (m_c.value(name) != 1) continue;
    dest |= int32_t(1) << i;
    logStored(QStringLiteral("setCheckedBits: "), m_c.caption(name), i, dest);
  }
}

void SetupFields::optionClick(const QString& group, int index) {
  Q_UNUSED(index);
  if (group == u"Option1") {
    setOptionValueVar(group, ifType);
    for (const char* n : {"Text1(0)", "Label1(0)", "Text1(14)", "Label1(15)"})
      m_c.setEnabled(QString::fromLatin1(n), ifType >= 1);
    for (const char* n : {"Text1(19)", "Label1(19)", "Text1(20)", "Label1(20)"})
      m_c.setEnabled(QString::fromLatin1(n), ifType >= 2);
  } else if (group == u"Option2") {
    setOptionValueVar(group, timerType);
  } else if (group == u"Option3") {
    setOptionValueVar(group, reduceMethod);
    m_c.setEnabled(text1(2), reduceMethod != 0);
  } else if (group == u"Option5") {
    setOptionValueVar(group, yPowerScale);
  } else if (group == u"Option6") {
    setOptionValueVar(group, yTempScale);
  } else if (group == u"Option7") {
    setOptionValueVar(group, textFileWriteInterval);
  }
}

void SetupFields::checkClick(const QString& array, int index) {
  const int v = m_c.value(ctl(array.toLatin1().constData(), index));
  if (array == u"Check1") {
    // Each box of the array is one flag; "Advanced functions" also shows its controls.
    static bool* const kFlags[] = {
        &ringBell,       &startOnLine,   &advancedFunctions, &fixedPlotSize,       &startWithAutoPlot,
        &plotPointMarks, &overWriteLast, &runWebServer,      &DrawOrthogonalLines, &DrawPowerInBackground,
        &startMinimized};
    if (index >= 0 && index < int(std::size(kFlags))) *kFlags[index] = v == 1;
    if (index == 2) {
      emit settingsEvents().mainWindowLayoutChanged();
      for (const QString& n : advancedControls()) m_c.setVisible(n, advancedFunctions);
    }
  } else if (array == u"Check8") {
    if (index == 0) writeToZAVdataFile = v == 1;
    if (index == 1) writeToZAVtextFile = v == 1;
    if (index == 2) savePlotToPicFile = v == 1;
  } else if (array == u"Check4") {
    setCheckedBits(array, mousePointerFlags);
  } else if (array == u"Check5") {
    setCheckedBits(array, mouseMeasureFlags);
  } else if (array == u"Check11") {
    buildValueTypes();
  }
}

void SetupFields::check9Click() {
  const int v = m_c.value(QStringLiteral("Check9"));
  if (v == 1) {
    if (webServerPort != 0) {
      msgBox(QStringLiteral("Web server is already running on port: ") + QString::number(webServerPort));
      return;
    }
    const QString t = m_c.text(QStringLiteral("Text18"));
    if (webPortFromText(t).accepted) {
      m_c.setForeColor(QStringLiteral("Text18"), logColourNormal);
      m_c.setToolTip(QStringLiteral("Text18"),
                     t.isEmpty() ? QStringLiteral("Using default http port number: 80") : QString());
      emit settingsEvents().webServerStartRequested();
    } else {
      m_c.setForeColor(QStringLiteral("Text18"), logColourError);
      m_c.setToolTip(QStringLiteral("Text18"), QStringLiteral("Port number error"));
      m_c.setValue(QStringLiteral("Check9"), 2);
    }
  } else if (v == 0 && webServerPort != 0) {
    emit settingsEvents().webServerStopRequested();
  }
}

void SetupFields::cheLoggingClick() {
  const bool off = m_c.value(QStringLiteral("cheLogging")) == 0;
  m_c.setEnabled(QStringLiteral("txtWebLogFile"), off);
  m_c.setEnabled(QStringLiteral("Command9(1)"), off);
}
