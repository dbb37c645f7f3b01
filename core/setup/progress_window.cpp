#include "core/setup/progress_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "platform/twips_units.h"

namespace {
constexpr int kFrameWidth = 360;
constexpr int kFrameHeight = 56;
constexpr int kGap = 8;  // 120 twips
constexpr int kBorder = 2;
constexpr int kTop = 20;  // room for the 0% / 50% / 100% captions

QFrame* line(QWidget* parent, int x, int y, int width, int height) {
  auto* f = new QFrame(parent);
  f->setFrameShape(QFrame::NoFrame);
  f->setAutoFillBackground(true);
  QPalette p = f->palette();
  p.setColor(QPalette::Window, QColor(0, 0, 128));
  f->setPalette(p);
  f->setGeometry(x, y, std::max(width, 0), height);
  return f;
}
}  // namespace

frmProgBar::frmProgBar() {
  setObjectName(QStringLiteral("frmProgBar"));
  setWindowFlag(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

frmProgBar::~frmProgBar() { restoreOthers(); }

void frmProgBar::build() {
  // Every other window the program has loaded now keeps its state for the restore.
  m_others.lock(this);
  m_margin = kGap + kBorder;
  m_fullWidth = kFrameWidth - 2 * m_margin - 1;
  const int step = kFrameHeight + kGap;
  for (int i = 0; i < m_bars.count(); ++i) {
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("prFrame(%1)").arg(i));
    frame->setGeometry(kGap, kTop + step * i, kFrameWidth, kFrameHeight);
    auto* start = line(frame, m_margin, 8, 1, 14);
    start->setObjectName(QStringLiteral("prLineStart(%1)").arg(i));
    auto* end = line(frame, m_margin + m_fullWidth, 8, 1, 14);
    end->setObjectName(QStringLiteral("prLineEnd(%1)").arg(i));
    auto* bar = line(frame, m_margin, 11, twipsToPx(1000), 8);
    bar->setObjectName(QStringLiteral("prLine(%1)").arg(i));
    bar->setVisible(false);
    auto* label = new QLabel(frame);
    label->setObjectName(QStringLiteral("prLabel(%1)").arg(i));
    label->setGeometry(m_margin, 26, m_fullWidth, 22);
    m_lines << bar;
    m_labels << label;
  }
  if (!m_labels.isEmpty()) {
    for (const auto& [caption, x] : {std::pair{"0%", 0}, {"50%", m_fullWidth / 2}, {"100%", m_fullWidth}}) {
      auto* l = new QLabel(QString::fromLatin1(caption), this);
      l->adjustSize();
      l->move(kGap + m_margin + x - l->width() / 2, 2);
    }
  }
  const int bottom = kTop + step * int(m_bars.count());
  m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_cancel->setObjectName(QStringLiteral("cmdCancel"));
  m_cancel->setGeometry(kGap + (kFrameWidth - 90) / 2, bottom, 90, 26);
  connect(m_cancel, &QPushButton::clicked, this, [this] { m_bars.cancelRequested = true; });
  setFixedSize(kFrameWidth + 2 * kGap, bottom + 26 + step / 2);
  setWindowTitle(m_bars.title());
  show();
  m_shown = true;
}

void frmProgBar::update(int32_t index, double value) {
  if (index < 0 || index >= m_bars.count()) return;
  if (!m_shown) build();
  const ProgressBars::Step s = m_bars.update(index, value);
  if (s.drawn && index < m_lines.size()) {
    QFrame* bar = m_lines[index];
    bar->setGeometry(m_margin, bar->y(), std::max(0, int(m_fullWidth * s.fraction)), bar->height());
    if (s.firstShow) bar->setVisible(true);
    m_labels[index]->setText(s.text);
  }
  repaint();
}

void frmProgBar::updateAll(const QList<double>& values) {
  for (int i = 0; i < values.size(); ++i) update(i, values[i]);
}

void frmProgBar::restoreOthers() { m_others.restore(); }

void frmProgBar::closeEvent(QCloseEvent* e) {
  restoreOthers();
  QWidget::closeEvent(e);
}
