#pragma once
// A frame whose caption may be longer than the frame is wide (the meter frame's
// reasons: a port the user may not open, a device that went away). What does not fit
// is cut from the middle with "…", so the start (what happened) and the end (what
// comes next) stay in view; the whole caption is the frame's tool tip while it is cut.

#include <QGroupBox>

class CaptionFrame : public QGroupBox {
  Q_OBJECT
 public:
  using QGroupBox::QGroupBox;
  // The caption as drawn: whole when it fits, else cut to the frame's width.
  QString shownCaption() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
};
