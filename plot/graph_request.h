#pragma once
// The graph request language: the parameters of one graph (plotParamRecord),
// their defaults, the parser of request strings ("w=640&r=24h&..."), colour
// texts, the span table and the time and compare-range arithmetic.

#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

#include "core/settings/settings.h"
#include "core/util/date_value.h"

// Drawing hints per plotted series, parallel to the series array.
struct seriesInfoEntry {
  int16_t styleCode = 0;  // 4 = compare series
  int16_t valueKind = 0;  // 3 = temperature series, 0 = power
  int16_t reserved = 0;
};

struct plotParamRecord {
  int32_t width = 0;         // "w"
  int32_t height = 0;        // "h"
  int16_t showMarkers = 0;   // "m"
  int16_t drawOptions = 0;   // "o" bit 0, "q" bits 1-2
  int32_t colorB = 0;        // "b": image background, -1 transparent
  int32_t colorC = 0;        // "c": plot rectangle fill, -1 none
  int16_t displayFlags = 0;  // "d": bit 0 3D frame, bit 1 compact style
  float y1ScaleMin = 0;      // "p"
  float y1ScaleMax = 0;
  float y2ScaleMin = 0;  // "t"
  float y2ScaleMax = 0;  // exactly kNoTemperatureScale: no temperature series
  float y1DataMin = 0, y1DataMax = 0;
  float y2DataMin = 0, y2DataMax = 0;
  int16_t yDivisions = 0;     // "g"
  int16_t timeDivisions = 0;  // "g"
  int16_t spanIndex = 0;      // "r"
  Date reservedTime = 0;      // set to 0 by the defaults; no key sets it
  Date fromTime = 0;          // "s"
  Date toTime = 0;            // "e"
  int32_t compareOffset = 0;  // "v", in range lengths
  Date compareFrom = 0;
  Date compareTo = 0;  // "v"
  QString compareText;
  int16_t reservedCode = 0;  // set to 2 by the defaults; no key sets it
  int16_t reduceMethod = 0;
  int32_t maxPlotPoints = 0;
  QString title;
  QString fontSpec;
  QString imageFileName;  // empty: encode into the web response buffer
  QString imageType;
  QVector<seriesInfoEntry> seriesInfo{1};  // element 0 unused
};

constexpr float kNoTemperatureScale = -99.0f;

// Flags of one request item, OR-ed over a request.
constexpr int32_t kGraphItemEmpty = 0;
constexpr int32_t kGraphItemRejected = 1;
constexpr int32_t kGraphFieldSet = 2;
constexpr int32_t kGraphSpanSet = 4;
constexpr int32_t kGraphStartSet = 8;
constexpr int32_t kGraphEndSet = 16;
constexpr int32_t kGraphCompareEndSet = 32;
constexpr int32_t kGraphCompareOffsetSet = 64;

// The fifteen time spans: 0 the whole file, 365/183/91/30/7/1 days,
// 12/6/3/1 hours, 30/15/5/1 minutes.
constexpr int kSpanCount = 15;
QString spanName(int index);        // "ALL", "1yr", ... "1min" (chart list and slider)
QString spanLengthText(int index);  // "", "365", ... "12:00", ... "00:01"
Date spanLength(int index);         // in days; 0 for the whole file
// Index of a span name as the request key "r" accepts it (trimmed, any case), or -1.
int spanIndexFromRequestName(const QString& name);

// The defaults of a graph: sizes, scales and thinning from the settings, the
// time range from the plotted file's first to its last record.
void setWebGraphDefaults(plotParamRecord& param, const Settings& settings, Date firstRecordTime = 0,
                         Date lastRecordTime = 0);
// Applies a request string's items (rejected ones logged, a bounded number,
// unless Silent) and returns their flags; "e" or "v" naming no time take `now`.
enum class RejectedItems { Logged, Silent };
int32_t applyGraphQuery(plotParamRecord& param, const QString& query, Date now,
                        RejectedItems rejectedItems = RejectedItems::Logged);
// The times that follow from the items applied: the start from the end and
// the span, the compare range from the end and the offset. Nothing while no
// end time is known.
void completeGraphTimes(plotParamRecord& param, int32_t flags);
// Both, with the time now.
void parseGraphQuery(plotParamRecord& param, const QString& query);
int32_t parseGraphItem(const QString& item, plotParamRecord& param);

// Codes of getCssColor: which form of colour text was recognised.
constexpr int kCssColorNone = 0;         // empty, "#" of a wrong length, malformed "rgb"
constexpr int kCssColorNumber = 1;       // a number (decimal or "&H")
constexpr int kCssColorHash = 2;         // "#rrggbb"
constexpr int kCssColorRgb = 3;          // "rgb(r,g,b)"
constexpr int kCssColorTransparent = 4;  // "transparent"
constexpr int kCssColorHex = 5;          // "rrggbb"
constexpr int kCssColorName = 6;         // a colour's name, as a page's style names it ("red", "Yellow")
constexpr int kCssColorInvalid = -1;     // a number that fits no colour; colour unchanged
int getCssColor(const QString& text, int32_t& colour);
// The colour getCssColor reads from a text that is a number and nothing more
// ("255", "&HFF00FF", "&H80FF&", "255&"); nothing for any other text, so what
// passes can stand in a page's text.
std::optional<int32_t> numberOnlyColour(const QString& text);
// A request's value as parseGraphQuery hands it on: a control character ends
// it, blanks around it do not count.
QString graphQueryValue(QString value);
// The colour a request string's "b" items give the graph, read as the graph
// reads the whole request (decoding, key case, a ";" ends an item, its first
// token counts, the last colour given holds): the colour, getCssColor's form
// and the text it read; nothing where the graph keeps its own colour. A page's
// style shows the same colour.
struct RequestColour {
  int32_t colour = 0;
  int form = kCssColorNone;
  QString text;
};
std::optional<RequestColour> requestColour(const QString& query);
