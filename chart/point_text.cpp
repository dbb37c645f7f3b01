#include "chart/point_text.h"

#include <algorithm>

#include "chart/selection_text.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"

namespace {
// Twips between the pointer and the box, and the inner margins of the picture.
constexpr int kBoxGap = 500;
constexpr int kEdge = 30;
constexpr double kRightEdge = 22.5;
}  // namespace

QString makeGraphText(const graphRecord& g, int seriesListUpper, const QVector<plotSeries>& series,
                      const Settings& settings) {
  const ValueUnits units{.power = settings.vtPower, .energy = settings.vtEnergy};
  const int s = g.selSerie;
  const int32_t p = g.selPoint;
  int32_t q = g.selPnt1;
  if (s < 1 || s > seriesListUpper || s >= series.size()) return {};
  const int32_t last = static_cast<int32_t>(series[s].points.size()) - 1;
  if (p < 1 || p > last) return {};
  if (q > last) q = 0;
  const int type = s < g.series.size() ? g.series[s].seriesStyle : 0;
  const int16_t anchorSeries = g.selSer1 > 0 ? g.selSer1 : g.stretchSer;
  QString text = anchorSeries != s || q < 1 || q == p
                     ? makeSelectionText(s, 0, p, type, settings.mousePointerFlags, series, units)
                     : makeSelectionText(s, q, p, type, settings.mouseMeasureFlags, series, units);
  if (text.endsWith(kCrLf)) text.chop(2);
  return text;
}

QPoint placeValueBox(const QRect& pic, const QPoint& pointer, const QSize& box, bool& above) {
  const int top = pic.top() + kEdge;
  const int bottom = pic.top() + pic.height() - box.height() - kEdge;
  const int below = pic.top() + pointer.y() + kBoxGap;
  const int over = pic.top() + pointer.y() - kBoxGap - box.height();
  const double centred = std::max(pic.left() + kRightEdge + pointer.x() - box.width() / 2.0, double(pic.left()));
  const int x = static_cast<int>(std::min(centred, pic.left() + pic.width() - box.width() - kRightEdge));
  const QPoint at = pic.topLeft() + pointer;
  const auto covers = [&](int y) { return QRect(QPoint(x, y), box).contains(at); };
  int y = 0;
  if (!above) {
    if (below > bottom) above = true;
    y = std::min(below, bottom);
    // Held at the lower edge it would lie under the pointer: it goes above at once.
    if (covers(y) && !covers(std::max(over, top))) y = std::max(over, top);
  } else {
    if (over < top) above = false;
    y = std::max(over, top);
    if (covers(y) && !covers(std::min(below, bottom))) y = std::min(below, bottom);
  }
  return {x, y};
}

SeriesListEntries fillChannelList(int n, const graphRecord& graph) {
  SeriesListEntries e;
  if (n < 1) {
    e.texts << QStringLiteral("no plotted cannels");
    e.itemData << 0;
    return e;
  }
  e.texts << QStringLiteral("all %1 plotted channels").arg(n);
  for (int i = 1; i <= n; ++i) {
    QString t = QStringLiteral("[%1]").arg(i);
    if (i < graph.series.size()) {
      switch (graph.series[i].seriesStyle) {
        case 1: t = QStringLiteral("Power (main)"); break;
        case 2: t = QStringLiteral("Power (reference)"); break;
        case 3: t = QStringLiteral("Temperature"); break;
        default: t = QStringLiteral("undefined"); break;
      }
    }
    e.texts << t;
  }
  e.itemData = QVector<int32_t>(e.texts.size(), 0);
  return e;
}

SeriesListEntries fillSeriesList(const graphRecord& graph) {
  SeriesListEntries e;
  const int n = static_cast<int>(graph.series.size()) - 1;
  if (n < 1) {
    e.texts << QStringLiteral("no plotted serie");
    e.itemData << 0;
    return e;
  }
  e.texts << QStringLiteral("all %1 plotted series").arg(n);
  e.itemData << 0;
  for (int i = 1; i <= n; ++i) {
    e.texts << QStringLiteral("series %1").arg(i);
    e.itemData << i;
  }
  e.listIndex = 1;
  return e;
}

QString makePointText(int s, int32_t p, int16_t seriesType, int32_t refPoint, int channelCount,
                      const PointTextPieces& pieces, const QVector<plotSeries>& series) {
  if (s < 1 || s >= series.size()) return {};
  const QVector<plotPoint>& points = series[s].points;
  if (p < 1 || p >= points.size()) return {};
  const plotPoint& at = points[p];
  const bool refOk = refPoint >= 1 && refPoint < points.size();
  const plotPoint& ref = refOk ? points[refPoint] : at;
  const QString relative = QStringLiteral("+#0;-#0");
  const QString unit = seriesType == 3 ? QStringLiteral(" °C") : QStringLiteral(" W");
  QStringList out;
  bool refErrorTold = false;
  // A relative piece, or the one error when there is no reference point.
  const auto addRelative = [&](const QString& text) {
    if (refOk)
      out << text;
    else if (!refErrorTold)
      out << QStringLiteral("refPoint ERROR"), refErrorTold = true;
  };
  if (pieces.batName) out << QStringLiteral("Zav");
  if (pieces.channel) out << QStringLiteral("adr,nch: %1,%2").arg(s).arg(channelCount);
  if (pieces.absPoint) out << strPlain(p);
  if (pieces.relPoint) addRelative(formatNumber(p - refPoint, relative));
  if (pieces.absRecord) out << strPlain(at.recordNr);
  if (pieces.relRecord) addRelative(formatNumber(double(at.recordNr) - ref.recordNr, relative));
  if (pieces.absTime) out << generalDate(at.recTime);
  if (pieces.relTime) addRelative(formatDate(at.recTime - ref.recTime, kTimeFormat));
  if (pieces.absValue) out << formatNumber(at.value, QStringLiteral("#,0")) + unit;
  if (pieces.relValue) addRelative(formatNumber(double(at.value) - ref.value, relative) + unit);
  return out.join(QStringLiteral("  "));
}

QString getEmptyText() { return QStringLiteral("hej"); }
