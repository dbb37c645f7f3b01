// The chart window's scale controls: the X scroll bar, zooming an axis, and
// zooming or shifting the value axes. The arithmetic is in x_range; here the
// controls are read and set and the chart redrawn.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "chart/form4a.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "meter/window/twips.h"

namespace {
QLineEdit* lineEdit(const QString& name, const QString& text, QWidget* parent) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  return e;
}
}  // namespace

void Form4a::buildScaleTab(QWidget* page) {
  auto* hScroll1 = new QScrollBar(Qt::Horizontal, page);
  hScroll1->setObjectName(QStringLiteral("HScroll1"));
  // The change comes when the thumb is let go; while it is dragged only with ScrollTrack.
  hScroll1->setTracking(false);
  hScroll1->setEnabled(false);
  placeTw(hScroll1, 120, 120, 4800, 255);
  auto* check2 = new QCheckBox(QStringLiteral("ScrollTrack"), page);
  check2->setObjectName(QStringLiteral("Check2"));
  placeTw(check2, 120, 420, 1500, 285);
  const char* zooms[] = {"z-in", "z-out"};
  for (int i = 0; i < 2; ++i) {
    auto* b = new QPushButton(QString::fromLatin1(zooms[i]), page);
    b->setObjectName(QStringLiteral("Command23(%1)").arg(i));
    placeTw(b, 1740 + i * 780, 420, 720, 300);
    connect(b, &QPushButton::clicked, this, [this, i] {
      if (m_core->chartMode != 0) applyZoom(i);
    });
  }
  placeTw(lineEdit(QStringLiteral("Text34"), QStringLiteral("1"), page), 3360, 420, 450, 300);
  auto* label25 = new QLabel(QStringLiteral("X-axis"), page);
  label25->setObjectName(QStringLiteral("Label25"));
  placeTw(label25, 120, 780, 4800, 285);

  const char* commands[] = {"Zoom in", "Zoom out", "ext", "def", "limit", "set"};
  for (int i = 0; i < 6; ++i) {
    auto* b = new QPushButton(QString::fromLatin1(commands[i]), page);
    b->setObjectName(QStringLiteral("Command19(%1)").arg(i));
    placeTw(b, 120 + (i % 3) * 1020, 1140 + (i / 3) * 360, 960, 300);
    connect(b, &QPushButton::clicked, this, [this, i] { applyYScale(true, i); });
  }
  auto* vScroll1 = new QScrollBar(Qt::Vertical, page);
  vScroll1->setObjectName(QStringLiteral("VScroll1"));
  vScroll1->setRange(-1, 1);
  vScroll1->setValue(0);
  placeTw(vScroll1, 3300, 1140, 255, 660);
  placeTw(lineEdit(QStringLiteral("Text1"), QStringLiteral("0"), page), 3660, 1140, 450, 300);
  placeTw(lineEdit(QStringLiteral("Text37(0)"), QString(), page), 120, 1920, 1500, 300);
  placeTw(lineEdit(QStringLiteral("Text37(1)"), QString(), page), 1740, 1920, 1500, 300);

  connect(hScroll1, &QScrollBar::valueChanged, this, [this](int v) { hScroll1Moved(v, false); });
  connect(hScroll1, &QScrollBar::sliderMoved, this, [this](int v) { hScroll1Moved(v, true); });
  connect(check2, &QCheckBox::toggled, this, [this](bool on) { m_scrollTrack = on; });
  connect(vScroll1, &QScrollBar::valueChanged, this, [this, vScroll1](int v) {
    if (m_core->chartMode == 0 || v == 0) return;
    applyYScale(false, v);
    vScroll1->setValue(0);
  });
}

void Form4a::setSelXrange() {
  if (m_core->graphDef.axes.size() < 2) return;
  m_xBar = ::setSelXrange(m_core->graphDef.axes[1]);
  auto* bar = findChild<QScrollBar*>(QStringLiteral("HScroll1"));
  {
    const QSignalBlocker block(bar);
    bar->setRange(m_xBar.min, m_xBar.max);
    bar->setSingleStep(m_xBar.smallChange);
    bar->setPageStep(m_xBar.largeChange);
    bar->setValue(m_xBar.value);
  }
  bar->setEnabled(m_xBar.shown);
  bar->setVisible(m_xBar.shown);
  findChild<QPushButton*>(QStringLiteral("Command23(1)"))->setEnabled(m_xBar.zoomOutEnabled);
  if (m_xBar.enableZoomIn) findChild<QPushButton*>(QStringLiteral("Command23(0)"))->setEnabled(true);
  findChild<QLabel*>(QStringLiteral("Label25"))
      ->setText(showRangeLabel(m_core->graphDef.axes[1], m_core->chartMode, m_core->logFiles.logRecordCount));
}

void Form4a::hScroll1Moved(int position, bool dragging) {
  if (dragging && !m_scrollTrack) return;
  logMsg(1, dragging ? QStringLiteral("HScroll1_Scroll") : QStringLiteral("HScroll1_Change"));
  if (m_core->graphDef.axes.size() < 2) return;
  m_xBar.value = static_cast<int16_t>(position);
  graphAxisRecord& x = m_core->graphDef.axes[1];
  if (!setHScrollBar(x, m_xBar, m_core->chartMode)) return;
  findChild<QLabel*>(QStringLiteral("Label25"))
      ->setText(showRangeLabel(x, m_core->chartMode, m_core->logFiles.logRecordCount));
  m_core->redrawPlot();
}

void Form4a::showZoomTexts(const std::optional<ZoomTexts>& texts) {
  if (!texts) return;
  findChild<QLineEdit*>(QStringLiteral("Text37(0)"))->setText(texts->max);
  findChild<QLineEdit*>(QStringLiteral("Text37(1)"))->setText(texts->min);
}

static ZoomTexts typedZoomTexts(const QWidget* w) {
  return {.max = w->findChild<QLineEdit*>(QStringLiteral("Text37(0)"))->text(),
          .min = w->findChild<QLineEdit*>(QStringLiteral("Text37(1)"))->text()};
}

static QString textOf(const QWidget* w, const char* name) {
  return w->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
}

void Form4a::applyZoom(int mode) {
  const int16_t axis = toInt16Clamped(val(textOf(this, "Text34")));
  showZoomTexts(zoomAxisInOut(m_core->graphDef, m_core->chartMode, axis, static_cast<int16_t>(mode),
                              textOf(this, "Text1"), typedZoomTexts(this)));
  if (axis == 1) setSelXrange();
  m_core->redrawPlot();
}

void Form4a::applyYScale(bool isCommand, int n) {
  if (m_core->chartMode < 1) return;
  showZoomTexts(::applyYScale(m_core->graphDef, m_core->chartMode, isCommand, static_cast<int16_t>(n),
                              textOf(this, "Text36"), textOf(this, "Text1"), typedZoomTexts(this)));
  m_core->redrawPlot();
}
