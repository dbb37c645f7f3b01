#include "meter/window/caption_frame.h"

#include <QHelpEvent>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QToolTip>
#include <algorithm>

QString CaptionFrame::shownCaption() const {
  QStyleOptionGroupBox opt;
  initStyleOption(&opt);
  const QRect label = style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, this);
  // As much room on the right as the caption has on its left.
  const int room = width() - 2 * std::max(0, label.left());
  if (label.right() < width() - label.left()) return title();
  return opt.fontMetrics.elidedText(title(), Qt::ElideMiddle, std::max(0, room));
}

void CaptionFrame::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionGroupBox opt;
  initStyleOption(&opt);
  opt.text = shownCaption();
  p.drawComplexControl(QStyle::CC_GroupBox, opt);
}

void CaptionFrame::setCaption(const QString& caption, const QString& detail) {
  m_detailOf = caption;
  m_detail = detail;
  setTitle(caption);
}

bool CaptionFrame::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
    const QString whole = !m_detail.isEmpty() && title() == m_detailOf ? m_detail : title();
    if (whole != shownCaption()) {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), whole, this);
      return true;
    }
  }
  return QGroupBox::event(event);
}
