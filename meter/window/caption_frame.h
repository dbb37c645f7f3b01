#pragma once
// A frame whose caption may be longer than the frame is wide (the meter frame's
// reasons: a port the user may not open, a device that went away). What does not fit
// is cut from the middle with "…", so the start (what happened) and the end (why, or
// what comes next) stay in view; the whole caption is the frame's tool tip while it is
// cut. A caption may stand for a longer text (a reason and its advice): that text is
// the tool tip while the caption shows.

#include <QGroupBox>

class CaptionFrame : public QGroupBox {
  Q_OBJECT
 public:
  using QGroupBox::QGroupBox;
  // The caption and the whole text it stands for; an empty detail: the caption alone.
  void setCaption(const QString& caption, const QString& detail);
  // The caption as drawn: whole when it fits, else cut to the frame's width.
  QString shownCaption() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // The detail belongs to its caption: a caption set later by setTitle has none.
  QString m_detailOf, m_detail;
};
