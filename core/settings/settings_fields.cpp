#include "core/settings/settings_fields.h"

#include <QStringList>
#include <cmath>
#include <variant>

#include "core/globals.h"  // logColourNormal, logColourError
#include "core/log/logmsg.h"
#include "core/log/message_log.h"
#include "core/settings/derived_constants.h"
#include "core/settings/detector_types.h"
#include "core/settings/settings_events.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/named_colours.h"
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

std::optional<int16_t> prescaleFromText(const QString& text, double lo, double hi) {
  const double v = std::floor(valUnbounded(commaToPoint(text)));
  if (!std::isfinite(v)) return std::nullopt;
  if (!(v >= lo)) return static_cast<int16_t>(lo);
  if (v > hi) return static_cast<int16_t>(hi);
  return static_cast<int16_t>(v);
}

std::optional<int32_t> colourFromFieldText(const QString& text) {
  const double v = valUnbounded(QStringLiteral("&H") + removeBlanks(text) + u'&');
  int32_t c = 0;
  if (!roundToInt32(v, c)) return std::nullopt;
  return c & 0xFFFFFF;
}

namespace {
template <class T>
T Settings::*memberOf(const SettingRef& r) {
  return std::get<T Settings::*>(r.member);
}
}  // namespace

template <class T>
SetupFields::Outcome SetupFields::storeLocale(T Settings::*member, const QString& text,
                                              Result<T> (*convert)(const QString&)) {
  // A refused text shows in the field's colour alone; the reason is not logged.
  const Result<T> v = convert(text);
  if (!v) return Outcome::Refused;
  settings().*member = *v;
  return Outcome::Taken;
}

SetupFields::Outcome SetupFields::storeLocale(const SettingRef& member, const QString& text) {
  if (const auto* m = std::get_if<int16_t Settings::*>(&member.member))
    return storeLocale(*m, text, localeToInt16);
  if (const auto* m = std::get_if<int32_t Settings::*>(&member.member))
    return storeLocale(*m, text, localeToInt32);
  return storeLocale(memberOf<double>(member), text, localeToDouble);
}

void SetupFields::apply(const IniKey& row, bool reparse) {
  const Outcome outcome = take(row, reparse);
  if (outcome == Outcome::Taken || outcome == Outcome::OwnColours) follow(row.rules.effect);
  // The numbered fields show a refused text in the error colour until an accepted one.
  const QString name = QString::fromLatin1(row.control);
  if (outcome != Outcome::OwnColours && arrayOf(name) == u"Text1")
    m_c.setForeColor(name, outcome == Outcome::Refused ? logColourError : logColourNormal);
}

SetupFields::Outcome SetupFields::take(const IniKey& row, bool reparse) {
  Settings& s = settings();
  const SettingRef& member = row.member;
  const QString name = QString::fromLatin1(row.control);
  const QString t = m_c.text(name);
  switch (row.rules.rule) {
    case FieldRule::Nothing:
    case FieldRule::Held: return Outcome::Taken;
    case FieldRule::Locale: return storeLocale(member, t);
    case FieldRule::Size:
      // No rule refuses a size: the chart limits it; a text that is no number leaves it.
      storeLocale(member, t);
      return Outcome::Taken;
    case FieldRule::Prescale: {
      const std::optional<int16_t> p = prescaleFromText(t, row.lo, row.hi);
      if (!p) return Outcome::Refused;
      s.*memberOf<int16_t>(member) = *p;
      return Outcome::Taken;
    }
    case FieldRule::Twin:
    case FieldRule::TwinInRange: return twinChange(row, t);
    case FieldRule::NoBlanks: s.*memberOf<QString>(member) = removeBlanks(t); return Outcome::Taken;
    case FieldRule::Whole:
    case FieldRule::DetectorVersion: {
      int32_t id = 0;
      if (!roundToInt32(lenientNumber(t), id)) return Outcome::Refused;
      if (row.rules.rule == FieldRule::DetectorVersion && id == kRenumberedDetectorVer)
        id = kNewFrameDetectorVer;
      // An accepted version shows the normal colour again: a corrected entry no longer looks refused.
      s.*memberOf<int32_t>(member) = id;
      return Outcome::Taken;
    }
    case FieldRule::Colour: return colourChange(row, t);
    case FieldRule::Interval:
      // While the text is refused there is no limit.
      s.*memberOf<double>(member) = 0;
      return storeLocale(memberOf<double>(member), t, localeToDate);
    case FieldRule::ClockDivisor: return clockDivisorChange(row, reparse);
    case FieldRule::ValueTypes: return buildValueTypes() ? Outcome::Taken : Outcome::Refused;
    case FieldRule::Text: s.*memberOf<QString>(member) = t; return Outcome::Taken;
    case FieldRule::WebPort: {
      // The server takes the text by its own rule.
      const WebPortSetting port = webPortFromText(t);
      s.*memberOf<QString>(member) = t;
      s.webPort = port.port;
      s.webPortAccepted = port.accepted;
      return Outcome::Taken;
    }
    case FieldRule::Flag: s.*memberOf<bool>(member) = m_c.value(name) == 1; return Outcome::Taken;
    case FieldRule::Bits: setCheckedBits(arrayOf(name), memberOf<int32_t>(member)); return Outcome::Taken;
    case FieldRule::Option:
      setOptionValueVar(name, memberOf<int16_t>(member));
      return reparse ? Outcome::Passed : Outcome::Taken;
    case FieldRule::WebServer: check9Click(); return Outcome::Taken;
    case FieldRule::WebLogging: {
      const int v = m_c.value(name);
      s.*memberOf<int32_t>(member) = v;
      // While logging, its file cannot change.
      m_c.setEnabled(QStringLiteral("txtWebLogFile"), v == 0);
      m_c.setEnabled(QStringLiteral("Command9(1)"), v == 0);
      return Outcome::Taken;
    }
  }
  return Outcome::Taken;
}

void SetupFields::follow(FieldEffect effect) {
  const Settings& s = settings();
  switch (effect) {
    case FieldEffect::None: return;
    case FieldEffect::MeterScale: updateText5Display(); return;
    case FieldEffect::LogLevel: MessageLog::setLevel(s.msgLevel); return;
    case FieldEffect::InterfaceFields:
      for (const char* n : {"Text1(0)", "Label1(0)", "Text1(14)", "Label1(15)"})
        m_c.setEnabled(QString::fromLatin1(n), s.ifType >= 1);
      for (const char* n : {"Text1(19)", "Label1(19)", "Text1(20)", "Label1(20)"})
        m_c.setEnabled(QString::fromLatin1(n), s.ifType >= 2);
      return;
    case FieldEffect::PlotPointsField:
      m_c.setEnabled(QStringLiteral("Text1(2)"), s.reduceMethod != 0);
      return;
    case FieldEffect::AdvancedControls:
      emit settingsEvents().mainWindowLayoutChanged();
      for (const QString& n : advancedControls()) m_c.setVisible(n, s.advancedFunctions);
      return;
  }
}

SetupFields::Outcome SetupFields::twinChange(const IniKey& row, const QString& text) {
  const double v = lenientNumber(text);
  const bool ranged = row.rules.rule == FieldRule::TwinInRange;
  if (!std::isfinite(v) || (ranged && (v < row.lo || v > row.hi))) return Outcome::Refused;
  const QString twin = QString::fromLatin1(twinRow(row)->control);
  if (lenientNumber(m_c.text(twin)) != v) {
    // The twin's own rule finds both equal and stores the value.
    m_c.setText(twin, localeFromDouble(v));
    return Outcome::Passed;
  }
  settings().*memberOf<double>(row.member) = v;
  return Outcome::Taken;
}

SetupFields::Outcome SetupFields::clockDivisorChange(const IniKey& row, bool reparse) {
  // The clock's row comes first, then its divisor's; the member's own field shows the result.
  QStringList fields;
  QString shown;
  for (const IniKey& k : iniKeys()) {
    if (k.member.member != row.member.member) continue;
    if (k.rules.rule == FieldRule::ClockDivisor) fields << QString::fromLatin1(k.control);
    if (k.rules.rule == FieldRule::Locale) shown = QString::fromLatin1(k.control);
  }
  const Result<double> clock = localeToDouble(m_c.text(fields.value(0)));
  const Result<double> divisor = localeToDouble(m_c.text(fields.value(1)));
  if (!clock || !divisor || *divisor == 0) return Outcome::Refused;
  if (reparse) return Outcome::Passed;
  double Settings::*ticks = memberOf<double>(row.member);
  settings().*ticks = *clock / *divisor;
  m_c.setText(shown, localeFromDouble(settings().*ticks));
  return Outcome::Taken;
}

SetupFields::Outcome SetupFields::colourChange(const IniKey& row, const QString& text) {
  const std::optional<int32_t> colour = colourFromFieldText(text);
  if (!colour) return Outcome::Refused;
  const QString name = QString::fromLatin1(row.control);
  settings().*memberOf<int32_t>(row.member) = *colour;
  m_c.setBackColor(name, *colour);
  const int sum = (*colour & 0xFF) + ((*colour >> 8) & 0xFF) + ((*colour >> 16) & 0xFF);
  m_c.setForeColor(name, sum < 384 ? kWhite : kBlack);
  return Outcome::OwnColours;
}

void SetupFields::updateText5Display() {
  Settings& s = settings();
  MeterScaleInputs in{.revsPerkWh = s.revsPerkWh,
                      .pulsesPerRev = s.pulsesPerRev,
                      .prescale = double(s.prescale),
                      .ticksPerSec = s.ticksPerSec,
                      .maxMeterPower = s.maxMeterPower,
                      .minUpdateInterval = s.minUpdateInterval,
                      .maxUpdateInterval = s.maxUpdateInterval,
                      .timerBits = val(commaToPoint(m_c.text(ctl("Text5", 7)))),
                      .counterBits = val(commaToPoint(m_c.text(ctl("Text5", 14)))),
                      .WsPerCount = s.WsPerCount,
                      .minMeterScale = s.minMeterScale};
  const MeterScaleResult r = computeMeterScale(in);
  if (!r.changed) return;
  s.WsPerCount = r.WsPerCount;
  s.minMeterScale = r.minMeterScale;
  static const int kOrder[] = {0, 6, 9, 13, 5, 8, 1, 2, 3, 4, 10, 12, 11};
  for (int k : kOrder)
    if (r.text5[k]) m_c.setText(ctl("Text5", k), *r.text5[k]);
}

bool SetupFields::buildValueTypes() {
  auto fields = [&](int first) {
    return ValueTypeFields{.title = m_c.text(text1(first)),
                           .factor = m_c.text(text1(first + 1)),
                           .decimals = m_c.text(text1(first + 2)),
                           .unit = m_c.text(text1(first + 3))};
  };
  // A refused decimals count leaves what was already taken (title and factor) in the type.
  auto build = [&](valueType Settings::*member, const char* use, int standard, bool energy) {
    valueType vt = settings().*member;
    const bool ok = buildValueType(vt, m_c.value(QString::fromLatin1(use)), fields(standard),
                                   fields(standard + 8), energy);
    settings().*member = std::move(vt);
    return ok;
  };
  return build(&Settings::vtEnergy, "Check11(0)", 33, true) &&
         build(&Settings::vtPower, "Check11(1)", 37, false);
}

void SetupFields::forEachTicked(const QString& group, const std::function<void(int, const QString&)>& each) {
  const int n = m_c.count(group);
  for (int i = 0; i < n; ++i) {
    const QString name = group + u'(' + QString::number(i) + u')';
    if (m_c.value(name) == 1) each(i, name);
  }
}

void SetupFields::setOptionValueVar(const QString& group, int16_t Settings::*dest) {
  forEachTicked(group, [&](int i, const QString& name) {
    settings().*dest = static_cast<int16_t>(i);
    logStored(QStringLiteral("setOptionValue: "), m_c.caption(name), i, i);
  });
}

void SetupFields::setOptionValue(const QString& group, int16_t Settings::*dest) {
  forEachTicked(group, [&](int k, const QString& name) {
    settings().*dest = static_cast<int16_t>(k);
    if (logShows(kStoredValueLevel))
      logMsg(kStoredValueLevel,
             QStringLiteral("setOptionValue: ") + m_c.caption(name) + QStringLiteral(" = %1 = %1").arg(k));
  });
}

void SetupFields::setCheckedBits(const QString& group, int32_t Settings::*dest) {
  int32_t bits = 0;
  forEachTicked(group, [&](int i, const QString& name) {
    bits |= int32_t(1) << i;
    logStored(QStringLiteral("setCheckedBits: "), m_c.caption(name), i, bits);
  });
  settings().*dest = bits;
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
