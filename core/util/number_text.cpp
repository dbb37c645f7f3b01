#include "core/util/number_text.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {
bool isSkipped(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Radix literal after "&H" or "&O": a value up to &HFFFF is a 16-bit integer
// ("&HFFFF" is -1), a larger one 32-bit, and a trailing "&" makes it 32-bit
// ("&HFFFF&" is 65535); settings files write colours and masks this way. Empty
// when the digits do not fit 32 bits.
std::optional<double> radixValue(const QString& s, qsizetype& i, int radix) {
  quint64 v = 0;
  int digits = 0;
  for (; i < s.size(); ++i) {
    if (isSkipped(s[i])) continue;
    const int d = QChar(s[i]).digitValue() >= 0                        ? s[i].digitValue()
                  : (s[i].toUpper() >= u'A' && s[i].toUpper() <= u'F') ? s[i].toUpper().unicode() - 'A' + 10
                                                                       : -1;
    if (d < 0 || d >= radix) break;
    v = v * radix + d;
    ++digits;
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  const bool longSuffix = i < s.size() && s[i] == u'&';
  if (digits == 0) return 0;
  if (!longSuffix && v <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(v));
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// What val reads: the value, where its reading stopped, and whether it met a digit.
struct Reading {
  double value = 0;
  qsizetype end = 0;
  bool digits = false;
};

Reading readVal(const QString& text) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && isSkipped(text[i])) ++i;
  if (i + 1 < n && text[i] == u'&') {
    const QChar r = text[i + 1].toUpper();
    if (r == u'H' || r == u'O') {
      i += 2;
      const qsizetype from = i;
      const std::optional<double> v = radixValue(text, i, r == u'H' ? 16 : 8);
      const bool digits =
          std::any_of(text.begin() + from, text.begin() + i, [](QChar c) { return !isSkipped(c); });
      return {v.value_or(kInf), i, digits};
    }
  }
  QByteArray num;
  auto skip = [&] {
    while (i < n && isSkipped(text[i])) ++i;
  };
  if (i < n && (text[i] == u'-' || text[i] == u'+')) num += char(text[i++].unicode());
  bool dot = false, anyDigit = false;
  for (skip(); i < n; skip()) {
    const QChar c = text[i];
    if (c >= u'0' && c <= u'9') {
      num += char(c.unicode());
      anyDigit = true;
    } else if (c == u'.' && !dot) {
      num += '.';
      dot = true;
    } else {
      break;
    }
    ++i;
  }
  if (!anyDigit) return {0.0, i, false};
  if (i < n && (text[i].toUpper() == u'E' || text[i].toUpper() == u'D')) {
    qsizetype j = i + 1;
    QByteArray exp = "e";
    while (j < n && isSkipped(text[j])) ++j;
    if (j < n && (text[j] == u'-' || text[j] == u'+')) exp += char(text[j++].unicode());
    bool expDigit = false;
    while (j < n && ((text[j] >= u'0' && text[j] <= u'9') || isSkipped(text[j]))) {
      if (!isSkipped(text[j])) {
        exp += char(text[j].unicode());
        expDigit = true;
      }
      ++j;
    }
    if (expDigit) {
      num += exp;
      i = j;
    }
  }
  const bool negativeExponent = num.contains("e-");
  // from_chars ignores the C locale that QCoreApplication sets from the environment.
  double v = 0;
  const char* b = num.constData();
  if (*b == '+') ++b;
  const auto res = std::from_chars(b, num.constData() + num.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    if (negativeExponent) return {0.0, i, true};  // too small: it reads as 0
    return {num.startsWith('-') ? -kInf : kInf, i, true};
  }
  if (res.ec != std::errc()) return {0.0, i, true};
  return {v, i, true};
}
}  // namespace

double val(const QString& text) {
  const double v = valUnbounded(text);
  return std::isfinite(v) ? v : 0;
}

double valUnbounded(const QString& text) { return readVal(text).value; }

bool isNumberLiteral(const QString& text) {
  if (std::any_of(text.begin(), text.end(), isSkipped)) return false;
  const Reading r = readVal(text);
  const qsizetype end = r.end < text.size() && text[r.end] == u'&' ? r.end + 1 : r.end;  // the Long suffix
  return r.digits && end == text.size();
}

double roundHalfEven(double v) { return std::nearbyint(v); }  // default FE_TONEAREST is half to even

bool roundToInt16(double v, int16_t& out) {
  const double r = roundHalfEven(v);
  if (!(r >= -32768.0 && r <= 32767.0)) return false;
  out = static_cast<int16_t>(r);
  return true;
}

bool roundToInt32(double v, int32_t& out) {
  const double r = roundHalfEven(v);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
  out = static_cast<int32_t>(r);
  return true;
}

namespace {
Failure notANumber(const QString& text) {
  return Failure(u'\'' + text + QStringLiteral("' is not a number"));
}

template <class T>
Result<T> localeToWhole(const QString& text, bool (*round)(double, T&), const char* what) {
  const Result<double> v = localeToDouble(text);
  if (!v) return v.failure();
  T i = 0;
  if (!round(*v, i)) return Failure(u'\'' + text + QStringLiteral("' does not fit ") + QLatin1String(what));
  return i;
}
}  // namespace

Result<double> localeToDouble(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return notANumber(text);
  bool ok = false;
  QLocale loc = QLocale::system();
  loc.setNumberOptions(QLocale::DefaultNumberOptions);
  double v = loc.toDouble(t, &ok);
  if (!ok) v = QLocale::c().toDouble(t, &ok);
  if (!ok || !std::isfinite(v)) return notANumber(text);
  return v;
}

Result<int16_t> localeToInt16(const QString& text) {
  return localeToWhole<int16_t>(text, roundToInt16, "a 16-bit whole number");
}

Result<int32_t> localeToInt32(const QString& text) {
  return localeToWhole<int32_t>(text, roundToInt32, "a 32-bit whole number");
}

Result<Date> localeToDate(const QString& text) {
  const QString t = text.trimmed();
  const Failure refused(u'\'' + text + QStringLiteral("' is not a date or a time of day"));
  if (t.isEmpty()) return refused;
  // A plain number counts as days.
  if (const Result<double> days = localeToDouble(t)) return *days;
  static const QRegularExpression timeRe(R"(^(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?$)");
  static const QRegularExpression dateRe(R"(^(\d{1,4})[-/.](\d{1,2})[-/.](\d{1,4})(?:[ T](.+))?$)");
  auto parseTime = [](const QString& s, double& frac) {
    const auto m = timeRe.match(s.trimmed());
    if (!m.hasMatch()) return false;
    const int h = m.captured(1).toInt(), mi = m.captured(2).toInt(), se = m.captured(3).toInt();
    if (h > 23 || mi > 59 || se > 59) return false;
    frac = timeSerial(h, mi, se);
    return true;
  };
  double frac = 0;
  if (parseTime(t, frac)) return frac;
  const auto m = dateRe.match(t);
  if (!m.hasMatch()) return refused;
  int y = m.captured(1).toInt(), mo = m.captured(2).toInt(), d = m.captured(3).toInt();
  if (m.captured(1).size() != 4) std::swap(y, d);  // d.m.yyyy or m/d/yyyy: take the locale's order
  if (mo < 1 || mo > 12 || d < 1 || d > 31) return refused;
  Date day;
  if (!dateSerial(y, mo, d, day)) return refused;
  if (dateParts(day).day != d) return refused;
  frac = 0;
  if (!m.captured(4).isEmpty() && !parseTime(m.captured(4), frac)) return refused;
  return day + frac;
}

QString localeFromDouble(double v) {
  // The user's locale without thousands separators, so the lenient reading gets
  // the same number back.
  QLocale loc = QLocale::system();
  loc.setNumberOptions(QLocale::OmitGroupSeparator);
  return loc.toString(v, 'g', 15);
}
