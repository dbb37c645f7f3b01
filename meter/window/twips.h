#pragma once
// Window layout in twips, the designed unit: 15 twips to a pixel.

#include <QRect>
#include <QWidget>

#include "platform/twips_units.h"

inline void placeTw(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(twipsToPx(left), twipsToPx(top), twipsToPx(width), twipsToPx(height));
}
// Left, top, width and height of a widget in twips.
inline QRect geometryTw(const QWidget* w) {
  const QRect g = w->geometry();
  return {pxToTwips(g.x()), pxToTwips(g.y()), pxToTwips(g.width()), pxToTwips(g.height())};
}
inline int bottomTw(const QWidget* w) { return pxToTwips(w->geometry().y() + w->geometry().height()); }
