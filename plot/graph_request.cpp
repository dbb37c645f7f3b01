#include "plot/graph_request.h"

#include <QColor>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/colour.h"
#include "platform/named_colours.h"
#include "platform/result.h"
#include "plot/url_decode.h"

namespace {
struct SpanDef {
  const char* name;
  const char* length;
  const char* requestNames;  // accepted values of "r", separated by blanks
};

constexpr SpanDef kSpans[kSpanCount] = {
    {"ALL", "", "all"},
    {"1yr", "365", "1y 12m 52w 365d"},
    {"6mo", "183", "6m 180d"},
    {"3mo", "91", "3m 90d"},
    {"1mo", "30", "1m 30d"},
    {"1w", "7", "1w 7d"},
    {"24h", "1", "24h 1d 24:00 24:0 24:"},
    {"12h", "12:00", "12h 12:00 12:0 12:"},
    {"6h", "06:00", "6h 06:00 06:0 06: 6:00 6:0 6:"},
    {"3h", "03:00", "3h 03:00 03:0 03: 3:00 3:0 3:"},
    {"1h", "01:00", "1h 01:00 01:0 01: 1:00 1:0 1:"},
    {"30min", "00:30", "00:30 0:30 :30"},
    {"15min", "00:15", "00:15 0:15 :15"},
    {"5min", "00:05", "00:05 00:5 0:05 0:5 :05 :5"},
    {"1min", "00:01", "00:01 00:1 0:01 0:1 :01 :1"},
};

// Whole numbers of the request: the leading number rounded half to even, or
// why it does not fit the field.
Result<int16_t> wholeNumber16(const QString& text) {
  int16_t n = 0;
  if (!roundToInt16(val(text), n)) return Failure(QStringLiteral("'%1' is no 16-bit whole number").arg(text));
  return n;
}
Result<int32_t> wholeNumber32(const QString& text) {
  int32_t n = 0;
  if (!roundToInt32(val(text), n)) return Failure(QStringLiteral("'%1' is no 32-bit whole number").arg(text));
  return n;
}

Result<float> toSingle(double v) {
  if (!(std::fabs(v) <= std::numeric_limits<float>::max()))
    return Failure(QStringLiteral("%1 is beyond a single-precision number").arg(v));
  return static_cast<float>(v);
}

// "max" or "min,max" of the "p" and "t" keys.
struct ScaleRange {
  float min = 0, max = 0;
};
Result<ScaleRange> parseScalePair(const QString& value) {
  const QStringList parts = value.split(u',');
  const Result<float> lo = parts.size() == 2 ? toSingle(val(parts[0])) : Result<float>(0.0f);
  const Result<float> hi = toSingle(val(parts.size() == 2 ? parts[1] : value));
  if (!lo) return lo.failure();
  if (!hi) return hi.failure();
  return ScaleRange{.min = *lo, .max = *hi};
}

// Stores a field's value when it was read: the item's flag, or why it was rejected.
template <class T, class F>
Result<int32_t> setField(const Result<T>& value, F& field) {
  if (!value) return value.failure();
  field = *value;
  return kGraphFieldSet;
}

Result<int32_t> setScale(const Result<ScaleRange>& range, float& min, float& max) {
  if (!range) return range.failure();
  min = range->min;
  max = range->max;
  return kGraphFieldSet;
}

// A "v" value that is a plain signed number ("-1", "+2", "3") is an offset in
// range lengths even though it holds a "-".
bool isPlainSignedNumber(const QString& text) {
  qsizetype i = 0;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  bool digit = false;
  for (; i < text.size(); ++i) {
    if (text[i].isDigit())
      digit = true;
    else if (text[i] != u'.')
      return false;
  }
  return digit;
}

// The setup's plot size (plotWidth, plotHeight), at least 100 pixels.
int32_t plotSizeSetting(int32_t side) { return std::max(side, 100); }

bool isHexText(const QString& text) {
  return std::all_of(text.begin(), text.end(),
                     [](QChar c) { return isxdigit(c.unicode()) && c.unicode() < 128; });
}

int32_t colourFromHex(const QString& rrggbb) {
  const int r = rrggbb.mid(0, 2).toInt(nullptr, 16);
  const int g = rrggbb.mid(2, 2).toInt(nullptr, 16);
  const int b = rrggbb.mid(4, 2).toInt(nullptr, 16);
  return r | (g << 8) | (b << 16);
}

// Applies the value of one key; returns the item's flags, or why the item is
// rejected with an error line (an unknown key, a number that does not fit).
Result<int32_t> applyGraphKey(const QString& key, const QString& value, plotParamRecord& param, Date now) {
  if (key == u"r") {
    const double v = val(value);
    int n = spanIndexFromRequestName(value);
    if (n < 0) {
      const double r = roundHalfEven(v);
      if (!(r >= 0 && r < kSpanCount)) return kGraphItemRejected;
      n = static_cast<int>(r);
    }
    param.spanIndex = static_cast<int16_t>(n);
    return kGraphSpanSet;
  }
  if (key == u"s") {
    const Result<Date> d = dateTimeFromText(value);
    if (!d) return kGraphItemRejected;
    param.fromTime = *d;
    return kGraphStartSet;
  }
  if (key == u"e") {
    param.toTime = dateTimeFromText(value).valueOr(now);
    return kGraphEndSet;
  }
  if (key == u"v") {
    const qsizetype comma = value.indexOf(u',');
    const QString head = comma < 0 ? value : value.left(comma);
    const QString text = comma < 0 ? value : value.mid(comma + 1);
    const bool offset = isPlainSignedNumber(head.trimmed()) || !(head.contains(u'-') || head.contains(u' ') ||
                                                                 head.contains(u'T') || head.contains(u':'));
    if (offset) {
      const Result<int32_t> n = wholeNumber32(head);
      if (!n) return n.failure();
      param.compareOffset = *n;
      param.compareTo = 0;
      param.compareText = text;
      return kGraphCompareOffsetSet;
    }
    param.compareTo = dateTimeFromText(head).valueOr(now);
    param.compareText = text;
    return kGraphCompareEndSet;
  }
  if (key == u"p") return setScale(parseScalePair(value), param.y1ScaleMin, param.y1ScaleMax);
  if (key == u"t") {
    if (value.compare(u"off", Qt::CaseInsensitive) == 0) {
      param.y2ScaleMin = 0;
      param.y2ScaleMax = kNoTemperatureScale;
      return kGraphFieldSet;
    }
    return setScale(parseScalePair(value), param.y2ScaleMin, param.y2ScaleMax);
  }
  if (key == u"w") return setField(wholeNumber32(value), param.width);
  if (key == u"h") return setField(wholeNumber32(value), param.height);
  if (key == u"m") return setField(wholeNumber16(value), param.showMarkers);
  if (key == u"d") return setField(wholeNumber16(value), param.displayFlags);
  if (key == u"o" || key == u"q") {
    int32_t n = 0;
    if (!roundToInt32(key == u"o" ? val(value) : val(value) * 2, n))
      return Failure(QStringLiteral("'%1' is no 32-bit whole number").arg(value));
    param.drawOptions = static_cast<int16_t>(param.drawOptions | (n & (key == u"o" ? 1 : 6)));
    return kGraphFieldSet;
  }
  if (key == u"b" || key == u"c") {
    if (getCssColor(value, key == u"b" ? param.colorB : param.colorC) == kCssColorInvalid)
      return Failure(QStringLiteral("'%1' is no colour").arg(value));
    return kGraphFieldSet;
  }
  if (key == u"g") {
    const QStringList parts = value.split(u',');
    const Result<int16_t> a = wholeNumber16(parts.size() == 2 ? parts[0] : value);
    const Result<int16_t> b = parts.size() == 2 ? wholeNumber16(parts[1]) : a;
    if (!a) return a.failure();
    if (!b) return b.failure();
    param.timeDivisions = *a;
    param.yDivisions = *b;
    return kGraphFieldSet;
  }
  if (key == u"rnd") return kGraphFieldSet;
  return Failure(QStringLiteral("unknown key '%1'").arg(key));
}
}  // namespace

QString spanName(int index) {
  return index >= 0 && index < kSpanCount ? QString::fromLatin1(kSpans[index].name) : QString();
}

QString spanLengthText(int index) {
  return index >= 0 && index < kSpanCount ? QString::fromLatin1(kSpans[index].length) : QString();
}

Date spanLength(int index) {
  const QString text = spanLengthText(index);
  const qsizetype colon = text.indexOf(u':');
  if (colon < 0) return val(text);
  return timeSerial(text.left(colon).toInt(), text.mid(colon + 1).toInt(), 0);
}

int spanIndexFromRequestName(const QString& name) {
  const QString wanted = name.trimmed().toLower();
  for (int i = 0; i < kSpanCount; ++i) {
    if (QString::fromLatin1(kSpans[i].requestNames).split(u' ').contains(wanted)) return i;
  }
  return -1;
}

int getCssColor(const QString& text, int32_t& colour) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return kCssColorNone;
  if (t == u"transparent") {
    colour = -1;
    return kCssColorTransparent;
  }
  if (t.startsWith(u'#')) {
    if (t.size() != 7 || !isHexText(t.mid(1))) return kCssColorNone;
    colour = colourFromHex(t.mid(1));
    return kCssColorHash;
  }
  if (t.size() == 6 && isHexText(t)) {
    colour = colourFromHex(t);
    return kCssColorHex;
  }
  if (t.startsWith(u"rgb", Qt::CaseInsensitive)) {
    const qsizetype open = t.indexOf(u'(');
    const qsizetype close = open < 0 ? -1 : t.indexOf(u')', open + 1);
    if (close < 0) return kCssColorNone;
    const QStringList parts = t.mid(open + 1, close - open - 1).split(u',');
    if (parts.size() != 3) return kCssColorNone;
    int32_t rgb = 0;
    for (int i = 0; i < 3; ++i) {
      const Result<int16_t> c = wholeNumber16(parts[i]);
      if (!c || *c < 0) return kCssColorInvalid;
      rgb |= std::min<int32_t>(*c, 255) << (8 * i);  // a part above 255 counts as 255
    }
    colour = rgb;
    return kCssColorRgb;
  }
  // A page's style has always shown a colour's name: the picture draws it too.
  // "Transparent" stays a number (0), as "transparent" alone means none.
  if (std::all_of(t.begin(), t.end(), [](QChar c) { return c.isLetter() && c.unicode() < 128; }) &&
      t.compare(u"transparent", Qt::CaseInsensitive) != 0) {
    if (const QColor named = QColor::fromString(t); named.isValid()) {
      colour = qColorToColour(named);
      return kCssColorName;
    }
  }
  const Result<int32_t> n = wholeNumber32(t);
  if (!n) return kCssColorInvalid;
  colour = *n;
  return kCssColorNumber;
}

std::optional<int32_t> numberOnlyColour(const QString& text) {
  int32_t colour = 0;
  if (!isNumberLiteral(text) || getCssColor(text, colour) != kCssColorNumber) return std::nullopt;
  return colour;
}

QString graphQueryValue(QString value) {
  const auto control =
      std::find_if(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
  value.truncate(control - value.cbegin());
  return value.trimmed();
}

namespace {
// A query may carry hundreds of junk items: the first few are logged one by
// one, the rest as one count, so a request adds a bounded number of lines.
constexpr int kMaxLoggedRejectedItems = 5;

struct GraphItemOutcome {
  int32_t flags = kGraphItemRejected;
  bool reported = false;  // rejected with an "ERROR 1" line (not a silent skip)
};

// An item's key and value: a ";" ends the item, the value is the first token
// behind "=", and nothing may follow it. A skip (no key) has no outcome.
struct GraphItemParts {
  QString key, value;
  std::optional<GraphItemOutcome> outcome;
};
GraphItemParts graphItemParts(const QString& item) {
  const QString line = stripComment(item);
  const qsizetype eq = line.indexOf(u'=');
  if (eq <= 0) return {.key = {}, .value = {}, .outcome = GraphItemOutcome{}};
  GraphItemParts parts{.key = line.left(eq).trimmed(), .value = {}, .outcome = {}};
  QString rest = line.mid(eq + 1).trimmed();
  parts.value = nextToken(rest).trimmed();
  if (!parts.key.isEmpty() && !rest.isEmpty() && parts.key == u"sfgItem") parts.outcome = GraphItemOutcome{};
  else if (parts.key.isEmpty() || !rest.isEmpty()) parts.outcome = GraphItemOutcome{kGraphItemRejected, true};
  else if (parts.value.isEmpty()) parts.outcome = GraphItemOutcome{kGraphItemEmpty, false};
  return parts;
}

GraphItemOutcome applyGraphItem(const QString& item, plotParamRecord& param, Date now) {
  const GraphItemParts parts = graphItemParts(item);
  if (parts.outcome) return *parts.outcome;
  const Result<int32_t> result = applyGraphKey(parts.key.toLower(), parts.value, param, now);
  // An unknown key or a number that does not fit its field.
  if (!result) return {kGraphItemRejected, true};
  return {*result, false};
}

QString quotedItem(const QString& key, const QString& value) { return key + u'=' + u'"' + value + u'"'; }

// Hands on a request string's items as the graph reads them: the pieces between
// "&" are URL-decoded up to the first that is no "key=value" pair (an empty
// piece, a bare word, a value holding "="); behind it values are taken as they
// stand, as stored links have always been read. A control character ends a
// value, as it ends a number ("5%000" is 5).
template <class Take>
void forEachGraphQueryItem(const QString& query, Take take) {
  if (query.isEmpty()) return;
  bool decode = true;
  for (const QString& piece : query.split(u'&')) {
    const QStringList nameValue = piece.split(u'=');
    if (nameValue.size() != 2) {
      decode = false;
      continue;
    }
    take(quotedItem(nameValue[0], graphQueryValue(decode ? urlDecode(nameValue[1]) : nameValue[1])));
  }
}

void logRejectedItem(const QString& item) {
  // The item's error text ends in its own line break, as every collected report
  // does; a line break the item brings from the request is shown, not taken.
  logMsg(1, QStringLiteral("ERROR 1: '") + escapeControls(item) + QStringLiteral("'\r\n"));
}
}  // namespace

std::optional<RequestColour> requestColour(const QString& query) {
  std::optional<RequestColour> out;
  forEachGraphQueryItem(query, [&](const QString& item) {
    const GraphItemParts parts = graphItemParts(item);
    if (parts.outcome || parts.key.toLower() != u"b") return;
    RequestColour c{.colour = 0, .form = kCssColorNone, .text = parts.value};
    c.form = getCssColor(parts.value, c.colour);
    // A text that is no colour leaves the colour an earlier item gave.
    if (c.form != kCssColorNone && c.form != kCssColorInvalid) out = c;
  });
  return out;
}

int32_t parseGraphItem(const QString& item, plotParamRecord& param) {
  const GraphItemOutcome outcome = applyGraphItem(item, param, dateNow());
  if (outcome.reported) logRejectedItem(item);
  return outcome.flags;
}

int32_t applyGraphQuery(plotParamRecord& param, const QString& query, Date now, RejectedItems rejectedItems) {
  const bool logged = rejectedItems == RejectedItems::Logged;
  int32_t flags = 0;
  int rejected = 0;
  forEachGraphQueryItem(query, [&](const QString& item) {
    const GraphItemOutcome outcome = applyGraphItem(item, param, now);
    flags |= outcome.flags;
    if (logged && outcome.reported && ++rejected <= kMaxLoggedRejectedItems) logRejectedItem(item);
  });
  if (rejected > kMaxLoggedRejectedItems)
    logMsg(1, QStringLiteral("parseGraphQuery: %1 more items rejected").arg(rejected - kMaxLoggedRejectedItems));
  return flags;
}

void completeGraphTimes(plotParamRecord& param, int32_t flags) {
  if (param.toTime == 0) return;
  if ((flags & (kGraphSpanSet | kGraphEndSet)) && param.spanIndex != 0)
    param.fromTime = param.toTime - spanLength(param.spanIndex);
  if (param.fromTime != 0) {
    const Date length = param.toTime - param.fromTime;
    if ((flags & kGraphCompareOffsetSet) && param.compareOffset != 0)
      param.compareTo = param.toTime + param.compareOffset * length;
    if (param.compareTo != 0 && (flags & (kGraphCompareOffsetSet | kGraphCompareEndSet)))
      param.compareFrom = param.compareTo - length;
  }
}

void parseGraphQuery(plotParamRecord& param, const QString& query) {
  completeGraphTimes(param, applyGraphQuery(param, query, dateNow()));
}

void setWebGraphDefaults(plotParamRecord& param, const Settings& settings, Date firstRecordTime,
                         Date lastRecordTime) {
  param = plotParamRecord{};
  param.width = 460;
  param.height = 268;
  param.width = plotSizeSetting(settings.plotWidth);
  param.height = plotSizeSetting(settings.plotHeight);
  param.showMarkers = 0;
  param.drawOptions = 0;
  param.colorB = 0xC0C0C0;
  param.colorC = kWhite;
  param.displayFlags = 1;
  param.y1ScaleMin = 0;
  param.y1ScaleMax = static_cast<float>(std::max(std::min(200000.0, settings.maxMeterPower), 8.0));
  param.y2ScaleMin = -30.0f;
  param.y2ScaleMax = 50.0f;
  param.yDivisions = 8;
  param.timeDivisions = 6;
  param.spanIndex = 0;
  param.reservedTime = 0;
  param.fromTime = firstRecordTime;
  param.toTime = lastRecordTime;
  param.compareOffset = 0;
  param.compareFrom = 0;
  param.compareTo = 0;
  param.compareText.clear();
  param.reservedCode = 2;
  param.reduceMethod = settings.reduceMethod;
  param.maxPlotPoints = settings.maxPlotPoints;
  param.title = QStringLiteral("Zav");
  param.fontSpec = QStringLiteral("Arial,3%,12");
  param.imageFileName.clear();
  param.imageType = QStringLiteral("gif");
  param.seriesInfo = QVector<seriesInfoEntry>(1);
}
