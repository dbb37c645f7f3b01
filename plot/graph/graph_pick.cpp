#include "plot/graph/graph_pick.h"

#include <algorithm>
#include <cmath>

#include "core/log/logmsg.h"
#include "platform/colour.h"
#include "plot/graph/font_text.h"
#include "plot/graph/graph_error.h"
#include "plot/graph/pick_picture.h"
#include "plot/graph/point_search.h"
#include "plot/graph/value_functions.h"

namespace {

constexpr int32_t kLabelBorder = rgbColour(64, 64, 64);

int32_t roundToLong(double v) {
  if (!(std::fabs(v) < 2147483647.0)) return v < 0 ? INT32_MIN : INT32_MAX;
  return static_cast<int32_t>(std::nearbyint(v));
}

int32_t shownOr(int32_t shown, int32_t otherwise) { return shown > 0 ? shown : otherwise; }

struct Working {
  int16_t series = 0;
  int32_t point = 0;
  int16_t aboveBelow = 0;
  double x = 0, y = 0;
};

// Left and Right from a shown selection: the next point the chart shows that way. From one
// a zoom or a scroll hides: the next point with a value, which the search then takes if
// shown, else the shown point nearest it.
int32_t nextPoint(const graphRecord& g, const PlotData& data, int16_t s, int step) {
  const int32_t p = selectionShown(g) ? firstPointInsidePlot(g, data, s, g.selPoint + step, step)
                                      : nextPointWithValue(g, data, s, g.selPoint, step);
  return shownOr(p, g.selPoint);
}

// The navigation keys move from the stored selection. Home, End, Left and
// Right name a point of the selected series; the search then starts at that
// point and looks at its exact position (points may lie under a pixel apart),
// so the key's point is the one selected while the chart shows it.
// Left and Right step over points without a value, which the curve leaves out:
// from one of them the search would settle back on the point it came from.
// Home and End name the first and last point the chart shows: the series'
// first and last points may be records just outside the shown range, and a
// search from there could settle on any point near their height.
void keyMove(const PickEvent& e, graphRecord& g, const PlotData& data, Working& w) {
  const int16_t lastSeries = static_cast<int16_t>(g.series.size() - 1);
  if (g.selSerie > lastSeries) g.selSerie = 0;
  w.series = g.selSerie;
  int16_t order = 0;
  if (w.series > 0) {
    w.x = g.selX;
    w.y = g.selY;
    order = xOrderSign(g.series[w.series].xOrder);
  }
  const int32_t pointCount = g.series[w.series].pointCount;
  const int16_t k = e.keyCode;
  bool pointKey = true;
  if (k == kKeyUp) {
    w.aboveBelow = w.series;
    w.series = 0;
    pointKey = false;
  } else if (k == kKeyDown) {
    w.aboveBelow = static_cast<int16_t>(-w.series);
    w.series = 0;
    pointKey = false;
  } else if (k == kKeyPageUp || k == kKeyPageDown) {
    pointKey = false;
    if (k == kKeyPageUp && e.shift == 0) w.series = std::max<int16_t>(w.series - 1, 1);
    if (k == kKeyPageUp && e.shift == kShiftCtrl) w.series = std::min<int16_t>(lastSeries, 1);
    if (k == kKeyPageDown && e.shift == 0) w.series = std::min<int16_t>(lastSeries, w.series + 1);
    if (k == kKeyPageDown && e.shift == kShiftCtrl) w.series = lastSeries;
  } else if ((k == kKeyHome && order > 0) || (k == kKeyEnd && order < 0)) {
    w.point = shownOr(firstPointInsidePlot(g, data, w.series, 1, +1), 1);
  } else if ((k == kKeyLeft && order > 0) || (k == kKeyRight && order < 0)) {
    w.point = nextPoint(g, data, w.series, -1);
  } else if ((k == kKeyRight && order > 0) || (k == kKeyLeft && order < 0)) {
    w.point = nextPoint(g, data, w.series, +1);
  } else if ((k == kKeyEnd && order > 0) || (k == kKeyHome && order < 0)) {
    w.point = shownOr(firstPointInsidePlot(g, data, w.series, pointCount, -1), pointCount);
  } else {
    pointKey = false;
  }
  logMsg(4, QStringLiteral("keyCode=%1  selSerie=%2  selPoint=%3").arg(k).arg(w.series).arg(w.point));
  if (pointKey && w.series > 0 && w.point > 0) {
    try {
      w.x = getPointX(w.series, w.point, g, data);
      w.y = getPointY(w.series, w.point, g, data);
    } catch (const GraphError& err) {
      logMsg(-1, QStringLiteral("showGraphPoint: ERROR %1").arg(err.number));
    }
  }
}

void drawCross(const graphRecord& g, double rx, double ry, PictureCanvas& pic) {
  const double x = g.selX, y = g.selY;
  if (rx == 0 && ry == 0) {
    pic.line({x, g.plotTop}, {x, g.plotBottom});
    pic.line({g.plotLeft, y}, {g.plotRight, y});
  } else {
    pic.line({x - rx, y - ry}, {x + rx, y + ry});
    pic.line({x - rx, y + ry}, {x + rx, y - ry});
  }
}

// The label box: centred at the pointer, moved inside the picture, joined to the selection.
void drawLabel(const graphRecord& g, const PickEvent& e, const QString& label, int32_t backColour,
               PictureCanvas& pic) {
  parseFontSpec(g.fontSpec, pic);
  const double w = pic.textWidth(label) + 2 * g.unitsPerPixelX;
  const double h = pic.textHeight(label);
  const double left = pic.scaleLeft(), top = pic.scaleTop();
  // The last pixel column and row are the picture's right and bottom edges.
  const double right = left + pic.scaleWidth() - g.unitsPerPixelX, bottom = top + pic.scaleHeight() - g.unitsPerPixelY;
  const double cx = std::max(left + w / 2, std::min<double>(e.xMouse, right - w / 2));
  const double cy = std::max(top + h / 2, std::min<double>(e.yMouse, bottom - h / 2));
  pic.line({g.selX, g.selY}, {cx, cy});
  pic.filledBox({cx - w / 2, cy - h / 2}, {cx + w / 2, cy + h / 2}, backColour);
  pic.box({cx - w / 2, cy - h / 2}, {cx + w / 2, cy + h / 2}, kLabelBorder);
  printTextAt(label, cy - h / 2, cx - w / 2 + 2 * g.unitsPerPixelX, pic);
}

void drawAnchorLine(const graphRecord& g, PictureCanvas& pic) {
  // An anchor a zoom or a scroll has put outside the plot: the line ends at its edge.
  const PlotRect plot(g);
  QPointF from(g.selX1, g.selY1), to(g.selX, g.selY);
  if (!clipSegment(from, to, QRectF(QPointF(plot.left, plot.top), QPointF(plot.right, plot.bottom)))) return;
  pic.setDrawWidth(1);
  pic.setDrawStyle(kDrawStyleDot);
  pic.setDrawMode(kDrawModeCopyPen);
  pic.line(from, to);
  pic.setDrawStyle(kDrawStyleSolid);
}

// The event as the graph keeps it: the last pick code, key, shift, button and pointer.
void rememberEvent(const PickEvent& e, graphRecord& g) {
  g.lastAflg = e.aflg;
  g.lastKeyCode = e.keyCode;
  g.lastShift = e.shift;
  g.lastButton = e.button;
  g.lastXMouse = e.xMouse;
  g.lastYMouse = e.yMouse;
}

// Where the event searches (series, start point, position), or false when it only
// redraws the marks of the selection.
bool searchWanted(const PickEvent& e, graphRecord& g, const PlotData& data, Working& w) {
  switch (e.aflg) {
    case kPickRefind:
      w.series = std::min(g.selSerie, static_cast<int16_t>(g.series.size() - 1));
      w.point = g.selPoint;
      return true;
    case kPickPress:
    case kPickMove:
    case kPickRelease:
      if (e.aflg != kPickPress && e.button == kButtonLeft) {
        if ((e.shift & kShiftAlt) && g.selSer1 > 0) return false;
        if (!(e.shift & kShiftAlt)) w.series = g.selSer1;  // a drag stays on the anchor's series
      }
      return true;
    case kPickKey: keyMove(e, g, data, w); return true;
    default: return false;
  }
}

// The point found becomes the selection; what nothing was found for keeps the selection
// that was there. Afterwards `w` names the selection (series 0: none). True when found.
bool selectFound(bool search, int32_t seriesTypeMask, int32_t graphTypeMask, graphRecord& g,
                 const PlotData& data, Working& w) {
  bool found = false;
  if (search) {
    const PointSearchResult r =
        searchSeriePoint(g, data, seriesTypeMask, graphTypeMask, w.x, w.y, w.aboveBelow, w.series, w.point);
    found = r.found;
    if (found) {
      g.selSerie = r.series;
      g.selPoint = r.point;
      g.selX = r.x;
      g.selY = r.y;
    }
    logMsg(4, QStringLiteral("yp=%1  xp=%2  selSerie=%3  selPoint=%4").arg(w.y).arg(w.x).arg(r.series).arg(r.point));
  }
  const bool stored = g.selSerie > 0 && g.selSerie < g.series.size();
  w.series = found || stored ? g.selSerie : int16_t(0);
  w.point = found || stored ? g.selPoint : 0;
  return found;
}

// The marks of the selection on a fresh copy of the picture: the cross, while the left
// button works the label box (Alt), and with anchorLine the dotted line from the anchor.
void drawMarks(const PickEvent& e, const graphRecord& g, const Working& w, bool anchorLine, PickPicture& picture,
               const PickedGraph& picked) {
  QString label;
  try {
    label = getPointLabel(w.series, w.point, g, picked.pointLabel);
  } catch (const GraphError& err) {
    logMsg(-1, QStringLiteral("showGraphPoint: ERROR %1").arg(err.number));
  }
  const double rx = double(g.unitsPerPixelX) * g.pickRadius, ry = double(g.unitsPerPixelY) * g.pickRadius;
  picture.repaint();
  picture.draw([&](PictureCanvas& pic) { drawCross(g, rx, ry, pic); });
  if (e.button == kButtonLeft && e.shift == kShiftAlt && !label.isEmpty()) {
    if (e.aflg == kPickRelease) picture.setPersistentDrawing(true);
    picture.draw([&](PictureCanvas& pic) { drawLabel(g, e, label, picked.labelBackColour, pic); });
  }
  if (anchorLine) picture.draw([&](PictureCanvas& pic) { drawAnchorLine(g, pic); });
  picture.setPersistentDrawing(false);
}

bool isPick(int16_t aflg) {
  return aflg == kPickRefind || aflg == kPickPress || aflg == kPickMove || aflg == kPickRelease || aflg == kPickKey;
}

}  // namespace

bool selectionShown(const graphRecord& g) {
  const PlotRect plot(g);
  return g.selSerie > 0 && g.selSerie < g.series.size() && plot.holdsX(g.selX) && plot.holdsY(g.selY);
}

void showGraphPoint(const PickEvent& e, int32_t seriesTypeMask, int32_t graphTypeMask, int16_t selSerie,
                    int32_t selPoint, PickPicture& picture, const PickedGraph& picked) {
  graphRecord& g = picked.graph;
  if (logShows(5))
    logMsg(5, QStringLiteral("showGraphPoint:  aflg=%1  KeyCode=%2  Shift=%3  Button=%4  xMouse=%5  yMouse=%6"
                             "  seriesTypeMask=%7  graphTypeMask=%8")
                  .arg(e.aflg)
                  .arg(e.keyCode)
                  .arg(e.shift)
                  .arg(e.button)
                  .arg(e.xMouse)
                  .arg(e.yMouse)
                  .arg(seriesTypeMask)
                  .arg(graphTypeMask));
  // The pointer counts in whole pixels.
  Working w{.series = selSerie,
            .point = selPoint,
            .x = double(roundToLong(e.xMouse)),
            .y = double(roundToLong(e.yMouse))};
  rememberEvent(e, g);
  // A stretch kept from the last drag lasts until the next pick; a redraw of the marks keeps it.
  if (isPick(e.aflg)) g.stretchSer = 0;
  const bool search = searchWanted(e, g, picked.data, w);
  const bool found = selectFound(search, seriesTypeMask, graphTypeMask, g, picked.data, w);

  if (e.aflg == kPickPress && found) {
    g.selSer1 = g.selSerie;
    g.selPnt1 = g.selPoint;
    g.selX1 = g.selX;
    g.selY1 = g.selY;
  }
  const bool anchor = g.selSer1 > 0 && g.selSer1 < g.series.size();
  if (logShows(5))
    logMsgToWindow(5, QStringLiteral("showGraphPoint: x=%1  y=%2  selSerie=%3  selPoint=%4  selSer1=%5  selPnt1=%6")
                          .arg(w.x).arg(w.y).arg(g.selSerie).arg(g.selPoint).arg(g.selSer1).arg(g.selPnt1));
  const bool dragged = anchor && e.button == kButtonLeft && (e.aflg == kPickMove || e.aflg == kPickRelease);
  const bool anchorLine = g.selPnt1 != w.point && (dragged || (g.stretchSer > 0 && g.stretchSer == w.series));
  if (selectionShown(g))
    drawMarks(e, g, w, anchorLine, picture, picked);
  else if (w.series > 0)
    picture.repaint();  // kept where the plot does not show it: no marks
  if (e.aflg == kPickRelease) {
    // The stretch measured stays the selection, its anchor kept.
    if (anchor && g.selSer1 == g.selSerie && g.selPnt1 != g.selPoint) g.stretchSer = g.selSer1;
    g.selSer1 = 0;
  }
}
