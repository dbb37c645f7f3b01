#pragma once
// The drawing surface of a graph: the picture-box members the graph engine
// draws with, over any QPaintDevice (a QImage for the web image, a window's
// backing image for the chart, a QPrinter for printing), so one drawing path
// serves them all. No widgets here.
//
// Coordinates are in scale units (ScaleMode 3 pixels, 1 twips, 2 points, ...)
// and are rounded to whole device pixels; a box covers both corner points.
// Every Line form moves the pen position to its end point. Drawing is never
// antialiased, as the pictures always looked, so palettes stay exact.
// A call that cannot be carried out (a pen width below 1, a coordinate beyond
// the device's range) returns false and draws nothing.

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QStaticText>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

#include "platform/named_colours.h"

class QPaintDevice;

// Cuts the segment a-b to the rectangle r (its edges included); false when nothing is left.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& r);

// Scale modes of the picture box.
enum : int16_t {
  kScaleUser = 0,
  kScaleTwips = 1,
  kScalePoints = 2,
  kScalePixels = 3,
  kScaleInches = 5,
  kScaleMillimetres = 6,
  kScaleCentimetres = 7,
};
constexpr int16_t kDrawModeCopyPen = 13;
constexpr int16_t kDrawModeInvert = 6;
constexpr int16_t kDrawModeXorPen = 7;
constexpr int16_t kFillSolid = 0;
constexpr int16_t kFillTransparent = 1;
constexpr int16_t kDrawStyleSolid = 0;
constexpr int16_t kDrawStyleDot = 2;
constexpr int16_t kDrawStyleTransparent = 5;

// The layout of the texts a graph prints on every drawing, kept by font and
// text (bounded). Whoever draws a picture again and again keeps one and hands
// it to each canvas; one set of layouts serves one thread at a time.
class TextLayouts {
 public:
  struct Layout {
    QStaticText prepared;
    double advance = -1;
  };
  Layout& of(const QFont& font, const QString& text);

 private:
  static constexpr qsizetype kMaxKept = 512;
  QHash<QString, Layout> m_kept;
};

class PictureCanvas {
 public:
  // Paints on `device` until the canvas ends; the device must outlive it, and
  // so must `layouts` (none: the canvas keeps its own for its drawing).
  explicit PictureCanvas(QPaintDevice* device, TextLayouts* layouts = nullptr);
  ~PictureCanvas();
  PictureCanvas(const PictureCanvas&) = delete;
  PictureCanvas& operator=(const PictureCanvas&) = delete;

  // Scale. Setting a standard mode puts ScaleLeft/ScaleTop to 0 and the
  // width and height to the device's size in that unit.
  int16_t scaleMode() const { return m_scaleMode; }
  bool setScaleMode(int16_t mode);
  // A user scale (ScaleMode 0): the device's area runs from left/top over width/height units.
  bool setUserScale(double left, double top, double width, double height);
  double scaleLeft() const { return m_left; }
  double scaleTop() const { return m_top; }
  double scaleWidth() const { return m_width; }
  double scaleHeight() const { return m_height; }
  // A horizontal or vertical length converted between two scale modes.
  double scaleX(double v, int16_t fromMode, int16_t toMode) const;
  double scaleY(double v, int16_t fromMode, int16_t toMode) const;
  int pixelWidth() const { return m_pxWidth; }
  int pixelHeight() const { return m_pxHeight; }

  // Pen and fill. Colours are &HBBGGRR; system colours allowed.
  int32_t foreColor() const { return m_foreColor; }
  void setForeColor(int32_t c) { m_foreColor = c; }
  int32_t backColor() const { return m_backColor; }
  void setBackColor(int32_t c) { m_backColor = c; }
  int32_t fillColor() const { return m_fillColor; }
  void setFillColor(int32_t c) { m_fillColor = c; }
  int16_t fillStyle() const { return m_fillStyle; }
  bool setFillStyle(int16_t style);  // 0 solid, 1 transparent, 2..7 hatches
  int16_t drawMode() const { return m_drawMode; }
  bool setDrawMode(int16_t mode);  // 1..16; 13 copy pen
  int16_t drawStyle() const { return m_drawStyle; }
  bool setDrawStyle(int16_t style);  // 0 solid .. 6 inside solid
  int16_t drawWidth() const { return m_drawWidth; }
  bool setDrawWidth(int width);  // whole pixels, 1 or more

  // Pen position.
  double currentX() const { return m_currentX; }
  double currentY() const { return m_currentY; }
  void setCurrentX(double x) { m_currentX = x; }
  void setCurrentY(double y) { m_currentY = y; }

  // The Line forms; without a colour they draw in ForeColor.
  bool line(QPointF from, QPointF to, std::optional<int32_t> colour = {});
  bool lineTo(QPointF to);  // from the pen position, in ForeColor
  bool box(QPointF from, QPointF to, std::optional<int32_t> colour = {});
  bool filledBox(QPointF from, QPointF to, std::optional<int32_t> colour = {});
  // Outlined in ForeColor, filled as FillStyle and FillColor say; the radius is a horizontal length.
  bool circle(QPointF centre, double radius);
  // Prints one line at the pen position (its top left), then moves the pen
  // to the start of the next line.
  void print(const QString& text);
  // Size of a text in the current font; every line counts.
  double textWidth(const QString& text);
  double textHeight(const QString& text);
  // Fills the whole surface with BackColor; the pen goes to the top left.
  void clear();
  // Line segments of one pen are painted together; this paints what is still
  // pending. Every other drawing call and the end of the canvas do it too.
  void flush();

  // Font. A picture keeps its font between drawings: font() hands it over to
  // the next canvas on the same picture.
  const QFont& font() const { return m_font; }
  void setFont(const QFont& font);
  QString fontName() const { return m_font.family(); }
  void setFontName(const QString& name);
  double fontSize() const { return m_font.pointSizeF(); }
  void setFontSize(double points);
  bool fontBold() const { return m_font.bold(); }
  void setFontBold(bool on);
  bool fontItalic() const { return m_font.italic(); }
  void setFontItalic(bool on);
  bool fontUnderline() const { return m_font.underline(); }
  void setFontUnderline(bool on);

 private:
  QPointF toDevice(QPointF p) const;
  bool toPixel(QPointF p, QPoint& out) const;
  const QFontMetricsF& metrics();
  double advanceOf(const QFontMetricsF& fm, const QString& line);
  const QStaticText& preparedText(const QString& line);
  struct PenKey {
    int32_t colour;
    int width;
    int16_t style;
    bool operator==(const PenKey&) const = default;
  };
  void applyPen(const PenKey& key);
  void applyCompositionMode();
  int16_t lineCount(const QString& text) const;
  void paintCircle(QPainter& painter, QPoint centre, int radius);
  // Changes the font; metrics and the painter's font follow at the next use.
  template <class Edit>
  void editFont(Edit&& edit) {
    edit(m_font);
    m_metrics.reset();
    m_fontApplied = false;
  }

  QPainter m_painter;
  int m_pxWidth = 0, m_pxHeight = 0;
  double m_dpiX = 96, m_dpiY = 96;
  int16_t m_scaleMode = kScalePixels;
  double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
  double m_pxPerUnitX = 1, m_pxPerUnitY = 1;
  int32_t m_foreColor = kBlack, m_backColor = kWhite, m_fillColor = kBlack;
  int16_t m_fillStyle = kFillTransparent, m_drawMode = kDrawModeCopyPen, m_drawStyle = kDrawStyleSolid;
  int16_t m_drawWidth = 1;
  double m_currentX = 0, m_currentY = 0;
  TextLayouts m_ownLayouts;
  TextLayouts* m_layouts = nullptr;
  QFont m_font;
  std::optional<QFontMetricsF> m_metrics;  // of m_font; reset when the font changes
  bool m_fontApplied = false;
  PenKey m_penKey{};
  bool m_penSet = false;
  QImage* m_image = nullptr;  // the device, when its pixels can be set directly
  // Segments not yet painted, in device pixels, and their pen.
  QVector<QLine> m_lines;
  PenKey m_linesKey{};
  // The last circle painted, kept for copying.
  struct CircleKey {
    int radius;
    int16_t width, style, fillStyle;
    int32_t fore, fill;
    bool operator==(const CircleKey&) const = default;
  };
  CircleKey m_circleKey{};
  QImage m_circle;
  struct CirclePixel {
    int dx, dy;
    QRgb rgb;
  };
  QVector<CirclePixel> m_circlePixels;  // its opaque pixels, from its centre
};
