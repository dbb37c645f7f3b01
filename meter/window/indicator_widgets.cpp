#include "meter/window/indicator_widgets.h"

#include <QPainter>

ShapeWidget::ShapeWidget(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind) {}

void ShapeWidget::setFill(bool solid, QColor colour) {
  m_solid = solid;
  m_colour = colour;
  update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, m_kind == Kind::Circle);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(m_solid ? QBrush(m_colour) : QBrush(Qt::NoBrush));
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -1.5, -1.5);
  if (m_kind == Kind::Circle) {
    p.drawEllipse(r);
  } else {
    p.drawRect(r);
  }
}

PowerBarWidget::PowerBarWidget(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void PowerBarWidget::showPlan(const PowerBarPlan& plan) {
  m_plan = plan;
  update();
}

void PowerBarWidget::setGrey(bool grey) {
  if (grey == m_grey) return;
  m_grey = grey;
  update();
}

void PowerBarWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QColor(160, 160, 160));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!m_plan.drawn || m_plan.scale.isEmpty()) return;
  // The plan is in the bar's own scale; map it onto the box.
  QTransform t;
  t.scale(width() / m_plan.scale.width(), height() / m_plan.scale.height());
  t.translate(-m_plan.scale.left(), -m_plan.scale.top());
  p.setTransform(t);
  p.setPen(Qt::NoPen);
  // Grey keeps the parts apart by their lightness.
  if (m_plan.hasGreen) p.fillRect(m_plan.green, m_grey ? QColor(200, 200, 200) : QColor(0, 255, 0));
  if (m_plan.hasRed) p.fillRect(m_plan.red, m_grey ? QColor(140, 140, 140) : QColor(255, 0, 0));
  if (m_plan.hasRef) {
    p.setPen(QPen(m_grey ? QColor(90, 90, 90) : QColor(0, 0, 255), 0));
    p.drawLine(m_plan.ref);
  }
}
