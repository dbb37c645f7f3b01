#include "core/settings/ini_reader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringDecoder>
#include <cmath>

#include "core/log/logmsg.h"
#include "core/settings/ini_keys.h"
#include "core/settings/settings.h"
#include "core/settings/settings_events.h"
#include "core/util/file_helpers.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"

namespace {

// Windows-1252 code points for 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Splits at CR LF, LF or a lone CR; a last line without a line end still counts.
QStringList splitLines(const QString& contents) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = contents.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (contents[i] != u'\r' && contents[i] != u'\n') continue;
    lines << contents.mid(start, i - start);
    if (contents[i] == u'\r' && i + 1 < n && contents[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < n) lines << contents.mid(start);
  return lines;
}

QString lineTag(int64_t line, const char* tail) {
  return QStringLiteral("[") + formatNumber(double(line), QStringLiteral("000")) + u']' +
         QString::fromLatin1(tail);
}

Failure outOfRange(const QString& token, double min, double max) {
  return Failure(u'\'' + token + QStringLiteral("' is not a number from ") + QString::number(min) +
                 QStringLiteral(" to ") + QString::number(max));
}

Result<int16_t> integerValue(const QString& token, double min, double max) {
  if (!isIntegerInRange(min, max, token)) return outOfRange(token, min, max);
  return localeToInt16(token);
}

Result<double> doubleValue(const QString& token, double min, double max) {
  if (!isDoubleInRange(min, max, token)) return outOfRange(token, min, max);
  return localeToDouble(token);
}

// A refused value: one more error, reported with the line's number.
void refuseValue(int64_t& errors, int64_t line, const QString& cleaned) {
  ++errors;
  logIniLineError(line, QStringLiteral("ERROR 7: '") + cleaned + u'\'');
}

// Applies one value; false when the value is refused (error 7).
bool applyValue(const IniKey& k, const QString& token, SetupControls& c) {
  const QString control = QString::fromLatin1(k.control);
  // The factory settings leave these fields empty; reading that back is no error.
  if (token.isEmpty() && k.emptyAllowed) {
    c.setText(control, token);
    return true;
  }
  switch (k.read) {
    case IniRead::Ignore: return true;
    case IniRead::FileName:
      storeHeldText(c.typedSettings(), QLatin1String(k.key), token);
      c.setText(control, token);
      c.settingsWritten();
      return true;
    case IniRead::FieldText: c.setText(control, token); return true;
    case IniRead::Integer: {
      const Result<int16_t> i = integerValue(token, k.lo, k.hi);
      if (i) c.setText(control, QString::number(*i));
      return i.ok();
    }
    case IniRead::Double: {
      const Result<double> v = doubleValue(token, k.lo, k.hi);
      if (v) c.setText(control, localeFromDouble(*v));
      return v.ok();
    }
    case IniRead::Boolean: {
      const QString t = token.toLower();
      if (t == u"yes" || t == u"1" || t == u"-1") {
        c.setValue(control, 1);
      } else if (t == u"no" || t == u"0") {
        c.setValue(control, 0);
      } else {
        return false;
      }
      return true;
    }
    case IniRead::OptionIndex: {
      const Result<double> v = localeToDouble(token);
      if (!v) return false;
      const double i = roundHalfEven(*v);
      if (!(i >= 0 && i < c.count(control))) return false;
      c.setValue(control + u'(' + QString::number(int(i)) + u')', 1);
      return true;
    }
    case IniRead::ViewRange: {
      const double pos = std::floor(val(token));
      if (!(pos >= 0 && pos <= 14)) return false;
      c.setSliderQuietly(int(pos));
      return true;
    }
    case IniRead::Price:
      storeHeldText(c.typedSettings(), QLatin1String(k.key), token);
      c.settingsWritten();
      return true;
  }
  return false;
}
}  // namespace

QString decodeIniBytes(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString s = utf8.decode(bytes);
  if (!utf8.hasError()) {
    if (s.startsWith(QChar(0xFEFF))) s.remove(0, 1);  // a byte-order mark some editors put first
    return s;
  }
  s.clear();
  s.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    const char16_t high = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : 0;
    s += QChar(high ? high : char16_t(b));
  }
  return s;
}

bool isDoubleInRange(double min, double max, const QString& text) {
  const Result<double> v = localeToDouble(text);
  return v && min <= *v && *v <= max;
}

bool isIntegerInRange(double min, double max, const QString& text) {
  if (text.contains(u',') || text.contains(u'.')) return false;
  return isDoubleInRange(min, max, text);
}

void logIniLineError(int64_t line, const QString& message) { logMsg(-1, lineTag(line, "  ") + message); }

Result<int16_t> iniReadInteger(int64_t& errors, int64_t line, const QString& cleaned, const QString& token,
                               double min, double max) {
  const Result<int16_t> i = integerValue(token, min, max);
  if (!i) refuseValue(errors, line, cleaned);
  return i;
}

Result<double> iniReadDouble(int64_t& errors, int64_t line, const QString& cleaned, const QString& token,
                             double min, double max) {
  const Result<double> v = doubleValue(token, min, max);
  if (!v) refuseValue(errors, line, cleaned);
  return v;
}

IniReadResult loadINIfile(const QString& fileName, SetupControls& c) {
  if (!fileExists(fileName)) {
    logMsg(2, QStringLiteral("loadINIfile: file not found '") + fileName + u'\'');
    return {};
  }
  logMsg(2, QStringLiteral("loadINIfile: loading '") + fileName + u'\'');
  const Result<QString> contents = readIniText(fileName);
  if (!contents)
    logMsg(-1, QStringLiteral("loadINIfile: ERROR: cannot read '") + fileName + QStringLiteral("': ") +
                   contents.error());
  return loadINIfileNr(contents.valueOr(QString()), c);
}

Result<QString> readIniText(const QString& fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) return Failure(f.errorString());
  const QByteArray bytes = f.readAll();
  if (f.error() != QFileDevice::NoError) return Failure(f.errorString());
  return decodeIniBytes(bytes);
}

IniReadResult loadINIfileNr(const QString& contents, SetupControls& c) {
  logMsg(2, QStringLiteral("loadINIfileNr:"));
  QElapsedTimer lap;
  lap.start();
  IniReadResult r;
  for (const QString& raw : splitLines(contents)) {
    ++r.lines;
    if (logShows(4)) logMsg(4, lineTag(r.lines, ": ") + raw);
    const QString cleaned = stripComment(raw);
    const qsizetype eq = cleaned.indexOf(u'=');
    if (eq <= 0) continue;
    const QString key = cleaned.left(eq).trimmed();
    QString rest = cleaned.mid(eq + 1).trimmed();
    const QString token = nextToken(rest);
    if (!rest.isEmpty()) {
      if (key == u"sfgItem") continue;
      ++r.errors;
      logIniLineError(r.lines,
                      QStringLiteral("ERROR 2: '") + cleaned + QStringLiteral("'  b$= '") + rest + u'\'');
      continue;
    }
    const IniKey* k = findIniKey(key);
    if (!k) {
      ++r.errors;
      logIniLineError(r.lines, QStringLiteral("ERROR 8: '") + cleaned + u'\'');
      continue;
    }
    if (!applyValue(*k, token, c)) refuseValue(r.errors, r.lines, cleaned);
  }
  emit settingsEvents().settingsApplied();
  logMsg(2, QStringLiteral("      nr of lines read :") + QString::number(r.lines));
  logMsg(2, QStringLiteral("          nr of errors :") + QString::number(r.errors));
  logMsg(2, QStringLiteral("elapsedTime = ") + formatNumber(lap.elapsed() / 1000.0, QStringLiteral("0.0")) +
                QStringLiteral(" sec"));
  logMsg(2, QStringLiteral("---------------------------------------------------\r\n"));
  return r;
}
