#include "plot/graph/picture_canvas.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QHash>
#include <QStaticText>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/colour.h"

namespace {

// Beyond this a coordinate is an overflow, as the picture box's 32-bit
// device coordinates were; well inside it, QPainter's int geometry is safe.
constexpr double kMaxPixel = 1.0e9;

// Units of a scale mode per inch; 0 for the user scale.
double unitsPerInch(int16_t mode, double dpi) {
  switch (mode) {
    case kScaleTwips: return 1440;
    case kScalePoints: return 72;
    case kScalePixels: return dpi;
    case kScaleInches: return 1;
    case kScaleMillimetres: return 25.4;
    case kScaleCentimetres: return 2.54;
    default: return 0;
  }
}

Qt::PenStyle penStyle(int16_t drawStyle) {
  static constexpr std::array<Qt::PenStyle, 7> kStyles = {
      Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen, Qt::SolidLine};
  return kStyles[std::clamp<int16_t>(drawStyle, 0, 6)];
}

Qt::BrushStyle brushStyle(int16_t fillStyle) {
  static constexpr std::array<Qt::BrushStyle, 8> kStyles = {
      Qt::SolidPattern, Qt::NoBrush,       Qt::HorPattern,   Qt::VerPattern,
      Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
  return kStyles[std::clamp<int16_t>(fillStyle, 0, 7)];
}

// The pixels between two corners, both included.
QRect spanned(QPoint a, QPoint b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

// Solid lines on a 32-bit image are set pixel by pixel: the pixels are those of
// a one-pixel line (both ends included) with a square of the pen's width on
// each, and far cheaper than a stroke through the paint engine.
constexpr int kMaxStampWidth = 8;

void stampLines(QImage& img, const QVector<QLine>& lines, QRgb colour, int width) {
  uchar* const bits = img.bits();
  const qsizetype bpl = img.bytesPerLine();
  const int w = img.width(), h = img.height();
  const int lo = -(width / 2), hi = lo + width - 1;
  auto stamp = [&](int x, int y) {
    for (int yy = std::max(y + lo, 0); yy <= std::min(y + hi, h - 1); ++yy) {
      QRgb* row = reinterpret_cast<QRgb*>(bits + yy * bpl);
      for (int xx = std::max(x + lo, 0); xx <= std::min(x + hi, w - 1); ++xx) row[xx] = colour;
    }
  };
  for (const QLine& l : lines) {
    int x = l.x1(), y = l.y1();
    const int dx = std::abs(l.x2() - x), dy = -std::abs(l.y2() - y);
    const int sx = x < l.x2() ? 1 : -1, sy = y < l.y2() ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      stamp(x, y);
      if (x == l.x2() && y == l.y2()) break;
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y += sy;
      }
    }
  }
}

}  // namespace

// Liang-Barsky.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& r) {
  double t0 = 0, t1 = 1;
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  const QPointF a0 = a;
  a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
  b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
  return true;
}

PictureCanvas::PictureCanvas(QPaintDevice* device, TextLayouts* layouts)
    : m_layouts(layouts ? layouts : &m_ownLayouts) {
  m_pxWidth = device->width();
  m_pxHeight = device->height();
  m_dpiX = device->logicalDpiX() > 0 ? device->logicalDpiX() : 96;
  m_dpiY = device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
  // An empty picture has nothing to paint on; it still measures and converts.
  if (QImage* img = dynamic_cast<QImage*>(device);
      img && (img->format() == QImage::Format_RGB32 || img->format() == QImage::Format_ARGB32 ||
              img->format() == QImage::Format_ARGB32_Premultiplied))
    m_image = img;
  if (m_pxWidth > 0 && m_pxHeight > 0 && m_painter.begin(device)) {
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, false);
  }
  // setStyleHint also sets the strategy: text stays without antialiasing, so
  // pictures keep a small exact palette.
  m_font.setStyleHint(QFont::SansSerif, QFont::NoAntialias);
  m_font.setFamily(QStringLiteral("MS Sans Serif"));
  m_font.setPointSizeF(8);
  setScaleMode(kScalePixels);
}

PictureCanvas::~PictureCanvas() {
  if (!m_painter.isActive()) return;
  flush();
  m_painter.end();
}

bool PictureCanvas::setScaleMode(int16_t mode) {
  if (mode == kScaleUser) {
    m_scaleMode = kScaleUser;
    return true;
  }
  const double perInchX = unitsPerInch(mode, m_dpiX), perInchY = unitsPerInch(mode, m_dpiY);
  if (perInchX <= 0) return false;
  m_scaleMode = mode;
  m_left = m_top = 0;
  m_pxPerUnitX = m_dpiX / perInchX;
  m_pxPerUnitY = m_dpiY / perInchY;
  m_width = m_pxWidth / m_pxPerUnitX;
  m_height = m_pxHeight / m_pxPerUnitY;
  return true;
}

bool PictureCanvas::setUserScale(double left, double top, double width, double height) {
  if (!(std::isfinite(left) && std::isfinite(top) && std::isfinite(width) && std::isfinite(height)) ||
      width == 0 || height == 0)
    return false;
  m_scaleMode = kScaleUser;
  m_left = left;
  m_top = top;
  m_width = width;
  m_height = height;
  m_pxPerUnitX = m_pxWidth / width;
  m_pxPerUnitY = m_pxHeight / height;
  return true;
}

double PictureCanvas::scaleX(double v, int16_t fromMode, int16_t toMode) const {
  const double from = fromMode == kScaleUser ? m_dpiX / m_pxPerUnitX : unitsPerInch(fromMode, m_dpiX);
  const double to = toMode == kScaleUser ? m_dpiX / m_pxPerUnitX : unitsPerInch(toMode, m_dpiX);
  return from == 0 ? 0 : v * to / from;
}

double PictureCanvas::scaleY(double v, int16_t fromMode, int16_t toMode) const {
  const double from = fromMode == kScaleUser ? m_dpiY / m_pxPerUnitY : unitsPerInch(fromMode, m_dpiY);
  const double to = toMode == kScaleUser ? m_dpiY / m_pxPerUnitY : unitsPerInch(toMode, m_dpiY);
  return from == 0 ? 0 : v * to / from;
}

bool PictureCanvas::setFillStyle(int16_t style) {
  if (style < 0 || style > 7) return false;
  m_fillStyle = style;
  return true;
}

bool PictureCanvas::setDrawMode(int16_t mode) {
  if (mode < 1 || mode > 16) return false;
  if (mode != m_drawMode) flush();
  m_drawMode = mode;
  return true;
}

bool PictureCanvas::setDrawStyle(int16_t style) {
  if (style < 0 || style > 6) return false;
  m_drawStyle = style;
  return true;
}

bool PictureCanvas::setDrawWidth(int width) {
  if (width < 1 || width > 32767) return false;
  m_drawWidth = static_cast<int16_t>(width);
  return true;
}

QPointF PictureCanvas::toDevice(QPointF p) const {
  return QPointF((p.x() - m_left) * m_pxPerUnitX, (p.y() - m_top) * m_pxPerUnitY);
}

bool PictureCanvas::toPixel(QPointF p, QPoint& out) const {
  const QPointF d = toDevice(p);
  if (!(std::fabs(d.x()) < kMaxPixel && std::fabs(d.y()) < kMaxPixel)) return false;
  out = QPoint(static_cast<int>(std::floor(d.x() + 0.5)), static_cast<int>(std::floor(d.y() + 0.5)));
  return true;
}

void PictureCanvas::applyCompositionMode() {
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  if (m_drawMode == kDrawModeXorPen)
    mode = QPainter::RasterOp_SourceXorDestination;
  else if (m_drawMode == kDrawModeInvert)
    mode = QPainter::RasterOp_NotDestination;
  else if (m_drawMode == 4)
    mode = QPainter::RasterOp_NotSource;
  if (mode != m_painter.compositionMode() &&
      (mode == QPainter::CompositionMode_SourceOver ||
       m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)))
    m_painter.setCompositionMode(mode);
}

void PictureCanvas::applyPen(const PenKey& key) {
  // A new QPen for every segment of a curve would cost more than the segment.
  if (!m_penSet || !(key == m_penKey)) {
    QPen pen(colourToQColor(key.colour));
    pen.setStyle(penStyle(key.style));
    // A 1-pixel pen is cosmetic (exact pixels); square ends keep wide pens off curves.
    pen.setWidth(key.width <= 1 ? 0 : key.width);
    pen.setCapStyle(Qt::SquareCap);
    m_painter.setPen(pen);
    m_penKey = key;
    m_penSet = true;
  }
  applyCompositionMode();
}

bool PictureCanvas::line(QPointF from, QPointF to, std::optional<int32_t> colour) {
  m_currentX = to.x();
  m_currentY = to.y();
  QPointF a = toDevice(from), b = toDevice(to);
  if (!(std::fabs(a.x()) < kMaxPixel && std::fabs(a.y()) < kMaxPixel && std::fabs(b.x()) < kMaxPixel &&
        std::fabs(b.y()) < kMaxPixel))
    return false;
  const int32_t c = colour.value_or(m_foreColor);
  if (c == -1 || m_drawStyle == kDrawStyleTransparent || !m_painter.isActive()) return true;
  // Only what can reach the device is drawn, so a far-off point costs no dash pattern.
  const double pad = m_drawWidth + 2.0;
  if (!clipSegment(a, b, QRectF(-pad, -pad, m_pxWidth + 2 * pad, m_pxHeight + 2 * pad))) return true;
  const QPoint pa(static_cast<int>(std::floor(a.x() + 0.5)), static_cast<int>(std::floor(a.y() + 0.5)));
  const QPoint pb(static_cast<int>(std::floor(b.x() + 0.5)), static_cast<int>(std::floor(b.y() + 0.5)));
  // A curve arrives one segment at a time; in copy mode segments of one pen
  // go out together, each still a line of its own with both ends.
  const PenKey key{.colour = c, .width = m_drawWidth, .style = m_drawStyle};
  if (m_drawMode == kDrawModeCopyPen) {
    if (!m_lines.isEmpty() && !(key == m_linesKey)) flush();
    m_lines.append(QLine(pa, pb));
    m_linesKey = key;
    return true;
  }
  flush();
  applyPen(key);
  m_painter.drawLine(pa, pb);
  return true;
}

void PictureCanvas::flush() {
  if (m_lines.isEmpty()) return;
  if (m_image && m_linesKey.style == kDrawStyleSolid && m_linesKey.width <= kMaxStampWidth) {
    stampLines(*m_image, m_lines, colourToQColor(m_linesKey.colour).rgb(), m_linesKey.width);
    m_lines.clear();
    return;
  }
  applyPen(m_linesKey);
  m_painter.drawLines(m_lines.constData(), static_cast<int>(m_lines.size()));
  m_lines.clear();
}

bool PictureCanvas::lineTo(QPointF to) { return line(QPointF(m_currentX, m_currentY), to); }

bool PictureCanvas::box(QPointF from, QPointF to, std::optional<int32_t> colour) {
  m_currentX = to.x();
  m_currentY = to.y();
  QPoint a, b;
  if (!toPixel(from, a) || !toPixel(to, b)) return false;
  const int32_t c = colour.value_or(m_foreColor);
  if (c == -1 || m_drawStyle == kDrawStyleTransparent || !m_painter.isActive()) return true;
  const QRect r = spanned(a, b);
  flush();
  applyPen({.colour = c, .width = m_drawWidth, .style = m_drawStyle});
  const QPoint corners[5] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft(), r.topLeft()};
  m_painter.drawPolyline(corners, 5);
  return true;
}

bool PictureCanvas::filledBox(QPointF from, QPointF to, std::optional<int32_t> colour) {
  m_currentX = to.x();
  m_currentY = to.y();
  QPoint a, b;
  if (!toPixel(from, a) || !toPixel(to, b)) return false;
  const int32_t c = colour.value_or(m_foreColor);
  if (c == -1 || !m_painter.isActive()) return true;
  const QRect r = spanned(a, b).intersected(QRect(0, 0, m_pxWidth, m_pxHeight));
  if (r.isEmpty()) return true;
  flush();
  applyCompositionMode();
  m_painter.fillRect(r, colourToQColor(c));
  return true;
}

bool PictureCanvas::circle(QPointF centre, double radius) {
  m_currentX = centre.x();
  m_currentY = centre.y();
  QPoint c;
  const double r = radius * m_pxPerUnitX;
  if (!toPixel(centre, c) || !(std::fabs(r) < kMaxPixel)) return false;
  if (!m_painter.isActive()) return true;
  flush();
  const int rr = static_cast<int>(std::floor(std::fabs(r) + 0.5));
  // Point marks repeat one circle hundreds of times: on an image, paint it
  // once and copy it (the same pixels, as the centre is a whole pixel).
  const bool copyable = m_drawMode == kDrawModeCopyPen && rr <= 64 &&
                        m_painter.paintEngine()->type() == QPaintEngine::Raster;
  if (!copyable) {
    paintCircle(m_painter, c, rr);
    return true;
  }
  const CircleKey key{.radius = rr,
                      .width = m_drawWidth,
                      .style = m_drawStyle,
                      .fillStyle = m_fillStyle,
                      .fore = m_foreColor,
                      .fill = m_fillColor};
  const int half = rr + m_drawWidth + 1;
  if (m_circle.isNull() || !(key == m_circleKey)) {
    m_circle = QImage(2 * half + 1, 2 * half + 1, QImage::Format_ARGB32_Premultiplied);
    m_circle.fill(Qt::transparent);
    QPainter p(&m_circle);
    p.setRenderHint(QPainter::Antialiasing, false);
    paintCircle(p, QPoint(half, half), rr);
    p.end();
    m_circleKey = key;
    m_circlePixels.clear();
    for (int y = 0; y < m_circle.height(); ++y)
      for (int x = 0; x < m_circle.width(); ++x)
        if (qAlpha(m_circle.pixel(x, y)) == 255)
          m_circlePixels.append({.dx = x - half, .dy = y - half, .rgb = m_circle.pixel(x, y)});
  }
  if (m_image) {
    // An opaque circle on an image: its pixels are set directly.
    uchar* const bits = m_image->bits();
    const qsizetype bpl = m_image->bytesPerLine();
    for (const CirclePixel& px : m_circlePixels) {
      const int x = c.x() + px.dx, y = c.y() + px.dy;
      if (x >= 0 && y >= 0 && x < m_pxWidth && y < m_pxHeight)
        reinterpret_cast<QRgb*>(bits + y * bpl)[x] = px.rgb;
    }
    return true;
  }
  applyCompositionMode();
  m_painter.drawImage(c - QPoint(half, half), m_circle);
  return true;
}

void PictureCanvas::paintCircle(QPainter& p, QPoint centre, int radius) {
  p.setBrush(m_fillStyle == kFillTransparent ? QBrush(Qt::NoBrush)
                                             : QBrush(colourToQColor(m_fillColor), brushStyle(m_fillStyle)));
  if (m_drawStyle == kDrawStyleTransparent || m_foreColor == -1) {
    p.setPen(Qt::NoPen);
    if (&p == &m_painter) m_penSet = false;
  } else if (&p == &m_painter) {
    applyPen({.colour = m_foreColor, .width = m_drawWidth, .style = m_drawStyle});
  } else {
    p.setPen(QPen(colourToQColor(m_foreColor), m_drawWidth <= 1 ? 0 : m_drawWidth, penStyle(m_drawStyle)));
  }
  if (&p == &m_painter) applyCompositionMode();
  p.drawEllipse(QPointF(centre), radius, radius);
  p.setBrush(Qt::NoBrush);
}

TextLayouts::Layout& TextLayouts::of(const QFont& font, const QString& text) {
  if (m_kept.size() >= kMaxKept) m_kept.clear();
  return m_kept[font.key() + QChar(0) + text];
}

double PictureCanvas::advanceOf(const QFontMetricsF& fm, const QString& line) {
  TextLayouts::Layout& k = m_layouts->of(m_font, line);
  if (k.advance < 0) k.advance = fm.horizontalAdvance(line);
  return k.advance;
}

const QStaticText& PictureCanvas::preparedText(const QString& line) {
  TextLayouts::Layout& k = m_layouts->of(m_font, line);
  if (k.prepared.text() != line) {
    k.prepared.setText(line);
    k.prepared.setTextFormat(Qt::PlainText);
    k.prepared.setPerformanceHint(QStaticText::AggressiveCaching);
    k.prepared.prepare(QTransform(), m_font);
  }
  return k.prepared;
}

const QFontMetricsF& PictureCanvas::metrics() {
  if (!m_metrics) m_metrics.emplace(m_font, m_painter.device());
  return *m_metrics;
}

int16_t PictureCanvas::lineCount(const QString& text) const {
  return static_cast<int16_t>(std::min<qsizetype>(text.count(u'\n') + 1, 32767));
}

double PictureCanvas::textWidth(const QString& text) {
  const QFontMetricsF& fm = metrics();
  double widest = 0;
  qsizetype start = 0;
  while (start <= text.size()) {
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0) end = text.size();
    qsizetype len = end - start;
    if (len > 0 && text[end - 1] == u'\r') --len;
    widest = std::max(widest, advanceOf(fm, text.mid(start, len)));
    start = end + 1;
  }
  return widest / m_pxPerUnitX;
}

double PictureCanvas::textHeight(const QString& text) {
  return metrics().height() * lineCount(text) / m_pxPerUnitY;
}

void PictureCanvas::print(const QString& text) {
  const QFontMetricsF& fm = metrics();
  QPoint at;
  if (!text.isEmpty() && m_painter.isActive() && toPixel(QPointF(m_currentX, m_currentY), at)) {
    flush();
    if (!m_fontApplied) {
      m_painter.setFont(m_font);
      m_fontApplied = true;
    }
    QPen pen(colourToQColor(m_foreColor == -1 ? 0 : m_foreColor));
    m_painter.setPen(pen);
    m_penSet = false;
    applyCompositionMode();
    m_painter.drawStaticText(QPointF(at), preparedText(text));
  }
  m_currentX = m_left;
  m_currentY += fm.height() / m_pxPerUnitY;
}

void PictureCanvas::clear() {
  m_currentX = m_left;
  m_currentY = m_top;
  if (!m_painter.isActive()) return;
  m_lines.clear();
  m_painter.setCompositionMode(QPainter::CompositionMode_Source);
  m_painter.fillRect(QRect(0, 0, m_pxWidth, m_pxHeight), colourToQColor(m_backColor));
  m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void PictureCanvas::setFont(const QFont& font) {
  if (font != m_font) editFont([&](QFont& f) { f = font; });
}

void PictureCanvas::setFontName(const QString& name) {
  if (name != m_font.family()) editFont([&](QFont& f) { f.setFamily(name); });
}

void PictureCanvas::setFontSize(double points) {
  if (points > 0 && points != m_font.pointSizeF()) editFont([&](QFont& f) { f.setPointSizeF(points); });
}

void PictureCanvas::setFontBold(bool on) {
  if (on != m_font.bold()) editFont([&](QFont& f) { f.setBold(on); });
}

void PictureCanvas::setFontItalic(bool on) {
  if (on != m_font.italic()) editFont([&](QFont& f) { f.setItalic(on); });
}

void PictureCanvas::setFontUnderline(bool on) {
  if (on != m_font.underline()) editFont([&](QFont& f) { f.setUnderline(on); });
}
