#include "core/setup/graph_slider.h"

#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "platform/twips_units.h"

namespace {
constexpr int kScaleLeft = 420;    // twips, left end of the scale
constexpr int kScaleWidth = 7275;  // twips, whole scale

// A slider that highlights its selection range, from SelStart to Max.
class SelectionSlider : public QSlider {
 public:
  explicit SelectionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}
  int selStart = 0;
  int selLength = 0;

 protected:
  void paintEvent(QPaintEvent* e) override {
    QSlider::paintEvent(e);
    if (selLength <= 0) return;
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const int span = style()->pixelMetric(QStyle::PM_SliderLength, &opt, this);
    auto x = [&](int v) {
      return groove.left() + span / 2 +
             QStyle::sliderPositionFromValue(minimum(), maximum(), v, groove.width() - span);
    };
    QPainter p(this);
    p.fillRect(
        QRect(QPoint(x(selStart), groove.bottom() + 2), QPoint(x(selStart + selLength), groove.bottom() + 4)),
        QColor(0, 120, 215));
  }
};
}  // namespace

const QStringList& graphStopCaptions() {
  static const QStringList k = {"ALL", "1yr", "6mo", "3mo",   "1mo",   "1w",   "24h", "12h",
                                "6h",  "3h",  "1h",  "30min", "15min", "5min", "1min"};
  return k;
}

const QStringList& graphStopSpans() {
  static const QStringList k = {"",      "365",   "183",   "91",    "30",    "7",     "1",    "12:00",
                                "06:00", "03:00", "01:00", "00:30", "00:15", "00:05", "00:01"};
  return k;
}

QWidget* GraphSlider::build(QWidget* parent) {
  m_panel = new QWidget(parent);
  m_panel->setObjectName(QStringLiteral("SliderPanel"));
  m_panel->setMinimumSize((kScaleLeft * 2 + kScaleWidth) / kTwipsPerPixel, 56);
  auto* s = new SelectionSlider(m_panel);
  s->setObjectName(QStringLiteral("Slider1"));
  s->setTickPosition(QSlider::TicksBelow);
  s->setTracking(false);  // dragging reports Scroll; the value changes once, on release
  s->setGeometry(kScaleLeft / kTwipsPerPixel - 10, 4, kScaleWidth / kTwipsPerPixel + 20, 26);
  m_slider = s;
  // The design holds Label6(0..12); 13 and 14 are added by setSliderRange.
  for (int i = 0; i <= 12; ++i) {
    auto* l = new QLabel(QStringLiteral("Label6"), m_panel);
    l->setObjectName(QStringLiteral("Label6(%1)").arg(i));
    QFont small = l->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);  // the stop captions stand close together
    l->setFont(small);
    l->move(0, 32);
    m_labels << l;
  }
  connect(m_slider, &QSlider::sliderMoved, this, [this] { onScroll(); });
  connect(m_slider, &QSlider::valueChanged, this, [this] { onChange(); });
  return m_panel;
}

void GraphSlider::setSliderRange() {
  const QStringList& captions = graphStopCaptions();
  const int n = int(captions.size()) - 1;
  if (const Result<Date> d = localeToDate(graphStopSpans()[n])) m_smallestSpan = *d;
  for (int i = 0; i <= n; ++i) {
    if (i >= m_labels.size()) {
      auto* l = new QLabel(m_panel);
      l->setFont(m_labels[0]->font());
      l->setObjectName(QStringLiteral("Label6(%1)").arg(i));
      l->move(0, m_labels[0]->y());
      l->setVisible(true);
      m_labels << l;
    }
    QLabel* l = m_labels[i];
    l->setText(captions[i]);
    l->adjustSize();
    const int widthTwips = l->width() * kTwipsPerPixel;
    const int left = kScaleLeft + i * kScaleWidth / n - (widthTwips / 2) / 2 - 120;
    l->move(left / kTwipsPerPixel, l->y());
  }
  m_slider->blockSignals(true);  // building the range is not a user's movement
  m_slider->setMaximum(n);
  m_slider->setMinimum(0);
  m_slider->setSingleStep(1);
  m_slider->setPageStep(1);
  m_slider->blockSignals(false);
  setSelection(m_slider->value());
}

void GraphSlider::setGraphTimeWidth(int k) {
  if (k < m_slider->minimum() || k > m_slider->maximum()) return;
  m_tag = QStringLiteral("disableChange");
  m_slider->setValue(k);
  setSelection(m_slider->value());
  m_tag.clear();
}

void GraphSlider::setSelection(int start) {
  m_selStart = start;
  m_selLength = m_slider->maximum() - start;
  auto* s = static_cast<SelectionSlider*>(m_slider);
  s->selStart = m_selStart;
  s->selLength = m_selLength;
  s->update();
}

void GraphSlider::onScroll() {
  m_tag = QStringLiteral("active");
  m_scrollCount = int16_t((m_scrollCount + 1) & 32767);
  newValue();
  m_tag.clear();
}

void GraphSlider::onChange() {
  if (m_tag == u"disableChange") return;
  m_tag = QStringLiteral("active");
  m_changeCount = int16_t((m_changeCount + 1) & 32767);
  newValue();
  m_tag.clear();
}

void GraphSlider::newValue() {
  setSelection(m_slider->sliderPosition());
  logMsg(1, QStringLiteral("Slider1_NewValue\r\nviewRange=0"));
}
