#include "core/setup/summary_form.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "core/setup/summary_progress.h"

namespace {
constexpr int kFrameWidth = 300;
constexpr int kGap = 8;
constexpr int kBarHeight = 10;

QFrame* barLine(QWidget* parent, int y) {
  auto* f = new QFrame(parent);
  f->setAutoFillBackground(true);
  QPalette p = f->palette();
  p.setColor(QPalette::Window, QColor(0, 0, 128));
  f->setPalette(p);
  f->setGeometry(2, y, 0, kBarHeight);
  return f;
}
}  // namespace

Form9::Form9() {
  setObjectName(QStringLiteral("Form9"));
  setWindowTitle(QStringLiteral("Form9"));
  setWindowFlag(Qt::Window);
  int x = kGap;
  for (const auto& [caption, at] : {std::pair{"0%", 0}, {"50%", kFrameWidth / 2}, {"100%", kFrameWidth}}) {
    auto* l = new QLabel(QString::fromLatin1(caption), this);
    l->adjustSize();
    l->move(std::max(0, x + at - l->width() / 2), 2);
  }
  m_frame1 = new QFrame(this);
  m_frame1->setObjectName(QStringLiteral("Frame1"));
  m_frame1->setFrameShape(QFrame::Box);
  m_frame1->setGeometry(x, 20, kFrameWidth, 2 * kBarHeight + 6);
  m_bar1 = barLine(m_frame1, 2);
  m_bar1->setObjectName(QStringLiteral("Frame2"));
  m_bar2 = barLine(m_frame1, 4 + kBarHeight);
  m_bar2->setObjectName(QStringLiteral("Frame3"));
  m_bar2->hide();
  m_text1 = new QLineEdit(this);
  m_text1->setObjectName(QStringLiteral("Text1"));
  m_text1->setReadOnly(true);
  m_text1->setGeometry(x, 52, kFrameWidth, 22);
  m_text2 = new QLabel(this);
  m_text2->setObjectName(QStringLiteral("Label2"));
  m_text2->setGeometry(x, 78, kFrameWidth, 20);
  m_text2->hide();
  m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_cancel->setObjectName(QStringLiteral("Command2"));
  m_cancel->setGeometry(x + (kFrameWidth - 90) / 2, 104, 90, 26);
  connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
  setFixedSize(kFrameWidth + 2 * kGap, 140);
}

Form9::~Form9() { restoreOthers(); }

void Form9::disableOthers() { m_others.lock(this); }
void Form9::restoreOthers() { m_others.restore(); }

void Form9::showBar2(bool on) {
  m_bar2->setVisible(on);
  m_text2->setVisible(on);
}

void Form9::setBar(int bar, const QString& unit, int32_t value, int32_t max) {
  if (max <= 0) return;
  QFrame* line = bar == 1 ? m_bar1 : m_bar2;
  line->resize(summaryBarWidth(m_frame1->width(), value, max), kBarHeight);
  const QString text = summaryBarText(unit, value, max);
  if (bar == 1)
    m_text1->setText(text);
  else
    m_text2->setText(text);
}

void fillSummaryForm(std::unique_ptr<Form9>& form, int16_t mode, const QString& title, const QString& unit1,
                     int32_t value1, int32_t max1, const QString& unit2, int32_t value2, int32_t max2) {
  if (mode == 2) {
    if (form) {
      form->lower();
      form->restoreOthers();
      form.reset();
    }
    return;
  }
  if (mode == 1) {
    const bool opening = !form;
    if (opening) form = std::make_unique<Form9>();
    form->setWindowTitle(title);
    form->Frame2()->resize(0, kBarHeight);
    form->show();
    if (opening) form->disableOthers();
    form->showBar2(max2 > 0);
  }
  if (!form) return;
  form->setBar(1, unit1, value1, max1);
  if (max2 > 0) form->setBar(2, unit2, value2, max2);
  form->raise();
}
