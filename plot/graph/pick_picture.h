#pragma once
// A drawn graph as the chart shows it while points are picked: the graph's
// own picture (the persistent image) and what is on the screen, the
// persistent image with the pick marks over it. A repaint takes the marks
// away; marks drawn while persistent drawing is on stay in the graph's picture.

#include <QImage>

#include "plot/graph/picture_canvas.h"

class PickPicture {
 public:
  // `persistent` is the picture the graph was drawn into (pixel scale); it
  // must outlive this object or be replaced before the next pick.
  explicit PickPicture(QImage* persistent = nullptr) { setPersistent(persistent); }
  void setPersistent(QImage* persistent) {
    m_persistent = persistent;
    repaint();
  }
  const QImage& shown() const { return m_shown; }
  // The screen from the persistent image: the marks of earlier picks go.
  void repaint() { m_shown = m_persistent ? m_persistent->copy() : QImage(); }
  bool persistentDrawing() const { return m_persistentDrawing; }
  void setPersistentDrawing(bool on) { m_persistentDrawing = on; }

  // Runs draw(PictureCanvas&) on the screen and, while persistent drawing is
  // on, on the persistent image as well.
  template <class Draw>
  void draw(Draw&& draw) {
    drawOn(m_shown, draw);
    if (m_persistentDrawing && m_persistent) drawOn(*m_persistent, draw);
  }

 private:
  template <class Draw>
  static void drawOn(QImage& image, Draw& draw) {
    if (image.isNull()) return;
    PictureCanvas canvas(&image);
    canvas.setScaleMode(kScalePixels);
    draw(canvas);
  }

  QImage* m_persistent = nullptr;
  QImage m_shown;
  bool m_persistentDrawing = false;
};
