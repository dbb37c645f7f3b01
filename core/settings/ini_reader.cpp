#include "core/settings/ini_reader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <cmath>

#include "core/util/file_helpers.h"
#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/main_window_calls.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"

namespace {

// Windows-1252 code points for 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

enum class Action { Ignore, FileName, FieldText, Integer, Double, Boolean, OptionIndex, ViewRange, Price };

struct KeyRule {
  Action action;
  const char* control = "";
  double min = 0;
  double max = 0;
  QString* global = nullptr;
  bool emptyAllowed = false;  // an empty value leaves the field empty, as the factory settings do
};

const QHash<QString, KeyRule>& keyTable() {
  static const QHash<QString, KeyRule> k = [] {
    QHash<QString, KeyRule> t;
    for (const char* key : {"currentDir", "iniFileName", "hlpFileName", "title", "version", "meterFullScale",
                            "advancedFunctions"})
      t.insert(QString::fromLatin1(key), {Action::Ignore});
    t.insert("zavDatFileName(0)", {Action::FileName, "Text2(2)", 0, 0, &zavDatFileName[0]});
    t.insert("zavDatFileName(1)", {Action::FileName, "Text2(3)", 0, 0, &zavDatFileName[1]});
    t.insert("zavLogFileName", {Action::FileName, "Text2(5)", 0, 0, &zavLogFileName});
    t.insert("zavPlotFileName", {Action::FileName, "Text2(7)", 0, 0, &zavPlotFileName});
    t.insert("appLogPath", {Action::FieldText, "Text2(6)"});
    t.insert("comPort", {Action::Integer, "Text1(0)", 0, 16, nullptr, true});
    // The same ranges as the setup fields, so a value the user could save is read back.
    t.insert("prescale", {Action::Integer, "Text1(1)", 1, 10000});
    t.insert("maxPlotPoints", {Action::Integer, "Text1(2)", 2, 10000});
    t.insert("msgLevel", {Action::Integer, "Text1(3)", 0, 9});
    t.insert("maxZavFileSize", {Action::Double, "Text1(4)", 0, 2047, nullptr, true});
    t.insert("y1ScaleMax", {Action::Double, "Text1(5)", -1000000, 1000000});
    t.insert("y1ScaleMin", {Action::Double, "Text1(6)", -1000000, 1000000});
    t.insert("y2ScaleMax", {Action::Double, "Text1(7)", -1000000, 1000000});
    t.insert("y2ScaleMin", {Action::Double, "Text1(8)", -1000000, 1000000});
    const char* units[] = {"vtStdEnergyTitle", "vtStdEnergyFactor", "vtStdEnergyDecimals", "vtStdEnergyUnit",
                           "vtStdPowerTitle",  "vtStdPowerFactor",  "vtStdPowerDecimals",  "vtStdPowerUnit",
                           "vtUsrEnergyTitle", "vtUsrEnergyFactor", "vtUsrEnergyDecimals", "vtUsrEnergyUnit",
                           "vtUsrPowerTitle",  "vtUsrPowerFactor",  "vtUsrPowerDecimals",  "vtUsrPowerUnit"};
    static QByteArray unitFields[16];
    for (int i = 0; i < 16; ++i) {
      unitFields[i] = "Text1(" + QByteArray::number(33 + i) + ")";
      t.insert(QString::fromLatin1(units[i]), {Action::FieldText, unitFields[i].constData()});
    }
    t.insert("vtUsrEnergyUse", {Action::Boolean, "Check11(0)"});
    t.insert("vtUsrPowerUse", {Action::Boolean, "Check11(1)"});
    t.insert("ticksPerSec", {Action::Double, "Text1(11)", 0, 1000000});
    t.insert("pulsesPerRev", {Action::Double, "Text1(12)", 0, 1000000});
    t.insert("comSetting", {Action::FieldText, "Text1(14)"});
    t.insert("revsPerkWh", {Action::Double, "Text1(15)", 1, 100000});
    t.insert("maxMeterPower", {Action::Double, "Text1(16)", 0.1, 1000000});
    t.insert("minUpdateInterval", {Action::Double, "Text1(17)", 0, 1000000});
    t.insert("maxUpdateInterval", {Action::Double, "Text1(18)", 0, 1000000});
    t.insert("ZAVdetectorVer", {Action::Double, "Text1(19)", 0, 1000000000});
    t.insert("ZAVmeterID", {Action::Double, "Text1(20)", 0, 1000000000});
    t.insert("ifType", {Action::OptionIndex, "Option1"});
    t.insert("timerType", {Action::OptionIndex, "Option2"});
    t.insert("reduceMethod", {Action::OptionIndex, "Option3"});
    t.insert("yPowerScale", {Action::OptionIndex, "Option5"});
    t.insert("yTempScale", {Action::OptionIndex, "Option6"});
    t.insert("textFileWriteInterval", {Action::OptionIndex, "Option7"});
    t.insert("countsPerkWh", {Action::Double, "Text1(13)", 1, 100000});
    t.insert("fixedPlotSize", {Action::Boolean, "Check1(3)"});
    t.insert("plotWidth", {Action::Integer, "Text1(25)", 100, 2000});
    t.insert("plotHeight", {Action::Integer, "Text1(26)", 100, 2000});
    t.insert("plotBackgroundColor", {Action::FieldText, "Text1(27)"});
    t.insert("plotPointMarks", {Action::Boolean, "Check1(5)"});
    t.insert("DrawOrthogonalLines", {Action::Boolean, "Check1(8)"});
    t.insert("DrawPowerInBackground", {Action::Boolean, "Check1(9)"});
    t.insert("ReferencePowerEndTime", {Action::FieldText, "Text24"});
    t.insert("mousePointerDateTime", {Action::Boolean, "Check4(0)"});
    t.insert("mousePointerAbsValue", {Action::Boolean, "Check4(1)"});
    const char* measure[] = {"mouseMeasureRelDateTime", "mouseMeasureRelValue",
                             "mouseMeasureUsedEnergy",  "mouseMeasureAvgPower",
                             "mouseMeasureRelAvgPower", "mouseMeasureRelUsedEnergy"};
    const char* measureBoxes[] = {"Check5(0)", "Check5(1)", "Check5(2)",
                                  "Check5(3)", "Check5(4)", "Check5(5)"};
    for (int i = 0; i < 6; ++i) t.insert(QString::fromLatin1(measure[i]), {Action::Boolean, measureBoxes[i]});
    t.insert("overWriteLast", {Action::Boolean, "Check1(6)"});
    t.insert("minTextFileSaveInterval", {Action::FieldText, "Text1(28)"});
    t.insert("ringBell", {Action::Boolean, "Check1(0)"});
    t.insert("startOnLine", {Action::Boolean, "Check1(1)"});
    t.insert("startWithAutoPlot", {Action::Boolean, "Check1(4)"});
    t.insert("startMimimized", {Action::Boolean, "Check1(10)"});
    t.insert("webServerPort", {Action::FieldText, "Text18"});
    t.insert("runWebServer", {Action::Boolean, "Check1(7)"});
    t.insert("webRoot", {Action::FieldText, "txtWebRoot"});
    t.insert("webLogFile", {Action::FieldText, "txtWebLogFile"});
    t.insert("writeToZAVdataFile", {Action::Boolean, "Check8(0)"});
    t.insert("writeToZAVtextFile", {Action::Boolean, "Check8(1)"});
    t.insert("savePlotToPicFile", {Action::Boolean, "Check8(2)"});
    t.insert("viewRange", {Action::ViewRange, "Slider1"});
    t.insert("pricePerkWh", {Action::Price});
    return t;
  }();
  return k;
}

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

// Applies one value; false when the value is refused (error 7).
bool applyValue(const KeyRule& r, const QString& token, SetupControls& c) {
  const QString control = QString::fromLatin1(r.control);
  // The factory settings leave these fields empty; reading that back is no error.
  if (token.isEmpty() && r.emptyAllowed) {
    c.setText(control, token);
    return true;
  }
  switch (r.action) {
    case Action::Ignore: return true;
    case Action::FileName:
      *r.global = token;
      c.setText(control, token);
      return true;
    case Action::FieldText: c.setText(control, token); return true;
    case Action::Integer: {
      double v = 0;
      int16_t i = 0;
      if (!isIntegerInRange(r.min, r.max, token) || !localeToDouble(token, v) || !roundToInt16(v, i))
        return false;
      c.setText(control, QString::number(i));
      return true;
    }
    case Action::Double: {
      double v = 0;
      if (!isDoubleInRange(r.min, r.max, token) || !localeToDouble(token, v)) return false;
      c.setText(control, localeFromDouble(v));
      return true;
    }
    case Action::Boolean: {
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
    case Action::OptionIndex: {
      double v = 0;
      if (!localeToDouble(token, v)) return false;
      const double i = roundHalfEven(v);
      if (!(i >= 0 && i < c.count(control))) return false;
      c.setValue(control + u'(' + QString::number(int(i)) + u')', 1);
      return true;
    }
    case Action::ViewRange: {
      const double pos = std::floor(val(token));
      if (!(pos >= 0 && pos <= 14)) return false;
      c.setSliderQuietly(int(pos));
      return true;
    }
    case Action::Price: pricePerkWh = token; return true;
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
  double v = 0;
  return localeToDouble(text, v) && min <= v && v <= max;
}

bool isIntegerInRange(double min, double max, const QString& text) {
  if (text.contains(u',') || text.contains(u'.')) return false;
  return isDoubleInRange(min, max, text);
}

void logIniLineError(int64_t line, const QString& message) { logMsg(-1, lineTag(line, "  ") + message); }

IniReadResult loadINIfile(const QString& fileName, SetupControls& c) {
  if (!fileExists(fileName)) {
    logMsg(2, QStringLiteral("loadINIfile: file not found '") + fileName + u'\'');
    return {};
  }
  logMsg(2, QStringLiteral("loadINIfile: loading '") + fileName + u'\'');
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) {
    logMsg(-1, QStringLiteral("loadINIfile: ERROR: cannot read '") + fileName + QStringLiteral("': ") +
                   f.errorString());
    return loadINIfileNr(QString(), c);
  }
  return loadINIfileNr(decodeIniBytes(f.readAll()), c);
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
    const auto it = keyTable().constFind(key);
    if (it == keyTable().constEnd()) {
      ++r.errors;
      logIniLineError(r.lines, QStringLiteral("ERROR 8: '") + cleaned + u'\'');
      continue;
    }
    if (!applyValue(*it, token, c)) {
      ++r.errors;
      logIniLineError(r.lines, QStringLiteral("ERROR 7: '") + cleaned + u'\'');
    }
  }
  if (mainWindowLoaded) applyGlobalVariables();
  logMsg(2, QStringLiteral("      nr of lines read :") + QString::number(r.lines));
  logMsg(2, QStringLiteral("          nr of errors :") + QString::number(r.errors));
  logMsg(2, QStringLiteral("elapsedTime = ") + formatNumber(lap.elapsed() / 1000.0, QStringLiteral("0.0")) +
                QStringLiteral(" sec"));
  logMsg(2, QStringLiteral("---------------------------------------------------\r\n"));
  return r;
}
