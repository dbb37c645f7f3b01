#pragma once
// Widgets of the indicators: a shape (the pulse LED, the pulse-test light) and
// the power bar picture box.

#include <QColor>
#include <QWidget>

#include "meter/window/indicators.h"

class ShapeWidget : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { Circle, Rectangle };
  ShapeWidget(Kind kind, QWidget* parent = nullptr);
  // A solid fill in the colour, or a transparent fill (only the outline shows).
  void setFill(bool solid, QColor colour);
  bool solid() const { return m_solid; }
  QColor colour() const { return m_colour; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Kind m_kind;
  bool m_solid = false;
  QColor m_colour;
};

class PowerBarWidget : public QWidget {
  Q_OBJECT
 public:
  explicit PowerBarWidget(QWidget* parent = nullptr);
  void showPlan(const PowerBarPlan& plan);
  const PowerBarPlan& plan() const { return m_plan; }
  // Grey: the bar shows an old power (the device is lost).
  void setGrey(bool grey);
  bool grey() const { return m_grey; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  PowerBarPlan m_plan;
  bool m_grey = false;
};
