#include "core/settings/settings_fields.h"

#include <cmath>

#include "core/globals.h"  // logColourNormal, logColourError
#include "core/log/logmsg.h"
#include "core/settings/derived_constants.h"
#include "core/settings/detector_types.h"
#include "core/settings/settings_events.h"
#include "core/settings/settings_globals.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/user_notice.h"

namespace {
QString text1(int i) { return ctl("Text1", i); }

// What an option group or a row of check boxes stored: a detail of every
// settings apply, never an error.
constexpr int kStoredValueLevel = 4;

void logStored(const QString& what, const QString& caption, int index, int32_t stored) {
  if (!logShows(kStoredValueLevel)) return;
  logMsg(kStoredValueLevel, what + caption + u'=' + QString::number(index) +
                                QStringLiteral("  destVariable=") + QString::number(stored));
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
    const Result<Date> time = localeToDate(token);
    if (!time) return 0;
    sum += *time;
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

template <class T>
bool SetupFields::storeLocale(T Settings::*member, const QString& text,
                              Result<T> (*convert)(const QString&)) {
  // A refused text shows in the field's colour alone; the reason is not logged.
  const Result<T> v = convert(text);
  if (v) storeSetting(settings(), member, *v);
  return v.ok();
}

void SetupFields::text1Change(int index, bool reparse) {
  Settings& s = settings();
  const QString name = text1(index);
  const QString t = m_c.text(name);
  const double v = lenientNumber(t);
  bool ok = true;
  switch (index) {
    case 0: ok = storeLocale(&Settings::comPort, t, localeToInt16); break;
    case 1:
      if (const std::optional<int16_t> p = prescaleFromText(t)) {
        storeSetting(s, &Settings::prescale, *p);
        updateText5Display();
      } else {
        ok = false;
      }
      break;
    case 2: ok = storeLocale(&Settings::maxPlotPoints, t, localeToInt32); break;
    case 3: ok = storeLocale(&Settings::msgLevel, t, localeToInt16); break;
    case 4: ok = storeLocale(&Settings::maxZavFileSize, t, localeToDouble); break;
    case 5: ok = storeLocale(&Settings::y1ScaleMax, t, localeToDouble); break;
    case 6: ok = storeLocale(&Settings::y1ScaleMin, t, localeToDouble); break;
    case 7: ok = storeLocale(&Settings::y2ScaleMax, t, localeToDouble); break;
    case 8: ok = storeLocale(&Settings::y2ScaleMin, t, localeToDouble); break;
    case 11:
      ok = storeLocale(&Settings::ticksPerSec, t, localeToDouble);
      if (ok) updateText5Display();
      break;
    case 12:
      ok = storeLocale(&Settings::pulsesPerRev, t, localeToDouble);
      if (ok) updateText5Display();
      break;
    case 13: ok = twinChange(15, v, true, 1, 100000, &Settings::revsPerkWh); break;
    case 15: ok = twinChange(13, v, true, 1, 100000, &Settings::revsPerkWh); break;
    case 16: ok = twinChange(24, v, true, 0.1, 1000000, &Settings::maxMeterPower); break;
    case 24: ok = twinChange(16, v, true, 0.1, 1000000, &Settings::maxMeterPower); break;
    case 17: ok = twinChange(31, v, false, 0, 0, &Settings::minUpdateInterval); break;
    case 31: ok = twinChange(17, v, false, 0, 0, &Settings::minUpdateInterval); break;
    case 18: ok = twinChange(32, v, false, 0, 0, &Settings::maxUpdateInterval); break;
    case 32: ok = twinChange(18, v, false, 0, 0, &Settings::maxUpdateInterval); break;
    case 14: storeSetting(s, &Settings::comSetting, removeBlanks(t)); break;
    case 19: {
      int32_t id = 0;
      ok = roundToInt32(v, id);
      if (ok)
        storeSetting(s, &Settings::ZAVdetectorVer, id == kRenumberedDetectorVer ? kNewFrameDetectorVer : id);
      // Unlike the original, an accepted version shows the normal colour again.
      break;
    }
    case 20: {
      int32_t id = 0;
      ok = roundToInt32(v, id);
      if (ok) storeSetting(s, &Settings::ZAVmeterID, id);
      break;
    }
    case 25:
    case 26:
      // No rule refuses a size: the chart limits it; a text that is no number leaves it.
      storeLocale(index == 25 ? &Settings::plotWidth : &Settings::plotHeight, t, localeToInt32);
      break;
    case 27:
      // The field sets its own text colour, unless the colour is refused.
      if (colourChange(name, t)) return;
      ok = false;
      break;
    case 28:
      storeSetting(s, &Settings::minTextFileSaveInterval, 0.0);
      ok = storeLocale(&Settings::minTextFileSaveInterval, t, localeToDate);
      break;
    case 29:
    case 30: ok = clockDivisorChange(reparse); break;
    default:
      if (index >= 33 && index <= 48) ok = buildValueTypes();
      break;
  }
  m_c.setForeColor(name, ok ? logColourNormal : logColourError);
}

bool SetupFields::twinChange(int twin, double v, bool ranged, double lo, double hi,
                             double Settings::*member) {
  if (!std::isfinite(v) || (ranged && (v < lo || v > hi))) return false;
  const double w = lenientNumber(m_c.text(text1(twin)));
  if (w != v) {
    // The twin's own handler finds both equal and stores the value.
    m_c.setText(text1(twin), localeFromDouble(v));
  } else {
    storeSetting(settings(), member, v);
    updateText5Display();
  }
  return true;
}

bool SetupFields::clockDivisorChange(bool reparse) {
  const Result<double> clock = localeToDouble(m_c.text(text1(29)));
  const Result<double> divisor = localeToDouble(m_c.text(text1(30)));
  if (!clock || !divisor || *divisor == 0) return false;
  if (reparse) return true;
  storeSetting(settings(), &Settings::ticksPerSec, *clock / *divisor);
  m_c.setText(text1(11), localeFromDouble(settings().ticksPerSec));
  updateText5Display();
  return true;
}

bool SetupFields::colourChange(const QString& name, const QString& text) {
  const std::optional<int32_t> colour = colourFromFieldText(text);
  if (!colour) return false;
  storeSetting(settings(), &Settings::plotBackgroundColor, *colour);
  m_c.setBackColor(name, *colour);
  const int sum = (*colour & 0xFF) + ((*colour >> 8) & 0xFF) + ((*colour >> 16) & 0xFF);
  m_c.setForeColor(name, sum < 384 ? 0xFFFFFF : 0);
  return true;
}

void SetupFields::text5Change(int index) {
  if (index == 7) updateText5Display();
}

void SetupFields::updateText5Display() {
  Settings& s = settings();
  MeterScaleInputs in;
  in.revsPerkWh = s.revsPerkWh;
  in.pulsesPerRev = s.pulsesPerRev;
  in.prescale = s.prescale;
  in.ticksPerSec = s.ticksPerSec;
  in.maxMeterPower = s.maxMeterPower;
  in.minUpdateInterval = s.minUpdateInterval;
  in.maxUpdateInterval = s.maxUpdateInterval;
  in.timerBits = val(commaToPoint(m_c.text(ctl("Text5", 7))));
  in.counterBits = val(commaToPoint(m_c.text(ctl("Text5", 14))));
  in.WsPerCount = s.WsPerCount;
  in.minMeterScale = s.minMeterScale;
  const MeterScaleResult r = computeMeterScale(in);
  if (!r.changed) return;
  storeSetting(s, &Settings::WsPerCount, r.WsPerCount);
  storeSetting(s, &Settings::minMeterScale, r.minMeterScale);
  static const int kOrder[] = {0, 6, 9, 13, 5, 8, 1, 2, 3, 4, 10, 12, 11};
  for (int k : kOrder)
    if (r.text5[k]) m_c.setText(ctl("Text5", k), *r.text5[k]);
}

bool SetupFields::buildValueTypes() {
  auto fields = [&](int first) {
    return ValueTypeFields{m_c.text(text1(first)), m_c.text(text1(first + 1)), m_c.text(text1(first + 2)),
                           m_c.text(text1(first + 3))};
  };
  // A refused decimals count leaves what was already taken (title and factor) in the type.
  auto build = [&](valueType Settings::*member, const char* use, int standard, bool energy) {
    valueType vt = settings().*member;
    const bool ok = buildValueType(vt, m_c.value(QString::fromLatin1(use)), fields(standard),
                                   fields(standard + 8), energy);
    storeSetting(settings(), member, std::move(vt));
    return ok;
  };
  return build(&Settings::vtEnergy, "Check11(0)", 33, true) &&
         build(&Settings::vtPower, "Check11(1)", 37, false);
}

void SetupFields::setOptionValueVar(const QString& group, int16_t Settings::*dest) {
  const int n = m_c.count(group);
  for (int i = 0; i < n; ++i) {
    const QString name = group + u'(' + QString::number(i) + u')';
    if (m_c.value(name) != 1) continue;
    storeSetting(settings(), dest, static_cast<int16_t>(i));
    logStored(QStringLiteral("setOptionValue: "), m_c.caption(name), i, i);
  }
}

void SetupFields::setCheckedBits(const QString& group, int32_t Settings::*dest) {
  int32_t bits = 0;
  const int n = m_c.count(group);
  for (int i = 0; i < n; ++i) {
    const QString name = group + u'(' + QString::number(i) + u')';
    if (m_c.value(name) != 1) continue;
    bits |= int32_t(1) << i;
    logStored(QStringLiteral("setCheckedBits: "), m_c.caption(name), i, bits);
  }
  storeSetting(settings(), dest, bits);
}

void SetupFields::optionClick(const QString& group, int index) {
  Q_UNUSED(index);
  const Settings& s = settings();
  if (group == u"Option1") {
    setOptionValueVar(group, &Settings::ifType);
    for (const char* n : {"Text1(0)", "Label1(0)", "Text1(14)", "Label1(15)"})
      m_c.setEnabled(QString::fromLatin1(n), s.ifType >= 1);
    for (const char* n : {"Text1(19)", "Label1(19)", "Text1(20)", "Label1(20)"})
      m_c.setEnabled(QString::fromLatin1(n), s.ifType >= 2);
  } else if (group == u"Option2") {
    setOptionValueVar(group, &Settings::timerType);
  } else if (group == u"Option3") {
    setOptionValueVar(group, &Settings::reduceMethod);
    m_c.setEnabled(text1(2), s.reduceMethod != 0);
  } else if (group == u"Option5") {
    setOptionValueVar(group, &Settings::yPowerScale);
  } else if (group == u"Option6") {
    setOptionValueVar(group, &Settings::yTempScale);
  } else if (group == u"Option7") {
    setOptionValueVar(group, &Settings::textFileWriteInterval);
  }
}

void SetupFields::checkClick(const QString& array, int index) {
  const int v = m_c.value(ctl(array.toLatin1().constData(), index));
  if (array == u"Check1") {
    // Each box of the array is one flag; "Advanced functions" also shows its controls.
    static bool Settings::*const kFlags[] = {&Settings::ringBell,
                                             &Settings::startOnLine,
                                             &Settings::advancedFunctions,
                                             &Settings::fixedPlotSize,
                                             &Settings::startWithAutoPlot,
                                             &Settings::plotPointMarks,
                                             &Settings::overWriteLast,
                                             &Settings::runWebServer,
                                             &Settings::DrawOrthogonalLines,
                                             &Settings::DrawPowerInBackground,
                                             &Settings::startMinimized};
    if (index >= 0 && index < int(std::size(kFlags))) storeSetting(settings(), kFlags[index], v == 1);
    if (index == 2) {
      emit settingsEvents().mainWindowLayoutChanged();
      for (const QString& n : advancedControls()) m_c.setVisible(n, settings().advancedFunctions);
    }
  } else if (array == u"Check8") {
    static bool Settings::*const kFlags[] = {&Settings::writeToZAVdataFile, &Settings::writeToZAVtextFile,
                                             &Settings::savePlotToPicFile};
    if (index >= 0 && index < int(std::size(kFlags))) storeSetting(settings(), kFlags[index], v == 1);
  } else if (array == u"Check4") {
    setCheckedBits(array, &Settings::mousePointerFlags);
  } else if (array == u"Check5") {
    setCheckedBits(array, &Settings::mouseMeasureFlags);
  } else if (array == u"Check11") {
    buildValueTypes();
  }
}

void SetupFields::check9Click() {
  const int v = m_c.value(QStringLiteral("Check9"));
  const int32_t listening = webServerPort();
  if (v == 1) {
    if (listening != 0) {
      userNotice(QStringLiteral("Web server is already running on port: ") + QString::number(listening));
      return;
    }
    const QString t = m_c.text(QStringLiteral("Text18"));
    if (webPortFromText(t).accepted) {
      m_c.setForeColor(QStringLiteral("Text18"), logColourNormal);
      m_c.setToolTip(QStringLiteral("Text18"),
                     t.isEmpty() ? QStringLiteral("Using default http port number: 80") : QString());
      emit webServerRequests().webServerStartRequested();
    } else {
      m_c.setForeColor(QStringLiteral("Text18"), logColourError);
      m_c.setToolTip(QStringLiteral("Text18"), QStringLiteral("Port number error"));
      m_c.setValue(QStringLiteral("Check9"), 2);
    }
  } else if (v == 0 && listening != 0) {
    emit webServerRequests().webServerStopRequested();
  }
}

void SetupFields::cheLoggingClick() {
  const bool off = m_c.value(QStringLiteral("cheLogging")) == 0;
  m_c.setEnabled(QStringLiteral("txtWebLogFile"), off);
  m_c.setEnabled(QStringLiteral("Command9(1)"), off);
}
