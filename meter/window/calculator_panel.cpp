#include "meter/window/calculator_panel.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "meter/window/twips.h"
#include "platform/colour.h"

namespace {
// Designed positions inside the frames, in pixels (placed in twips).
void place(QWidget* w, int x, int y, int width, int height) {
  placeTw(w, pxToTwips(x), pxToTwips(y), pxToTwips(width), pxToTwips(height));
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption, int x, int y, int w,
              Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(name);
  l->setAlignment(align);
  place(l, x, y, w, 22);
  return l;
}

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption) {
  auto* f = new QGroupBox(caption, parent);
  f->setObjectName(name);
  return f;
}
}  // namespace

CalculatorPanel::CalculatorPanel(QWidget* parent) : QObject(parent), m_boxes(Calculator::kBoxCount) {
  m_frame2 = frame(parent, QStringLiteral("Frame2"), QStringLiteral("power (W)"));
  m_frame3 = frame(parent, QStringLiteral("Frame3"), QStringLiteral("energy over period"));
  m_frame4 = {frame(parent, QStringLiteral("Frame4(0)"), QStringLiteral("pwr factor")),
              frame(parent, QStringLiteral("Frame4(1)"),
                    QStringLiteral("phase current  @ Y (Amp)   @ D (Amp)   Load (A)")),
              frame(parent, QStringLiteral("Frame4(2)"), QStringLiteral("system voltage (Volt)"))};

  // Power: total, reference, relative.
  for (int i = 0; i < 3; ++i) {
    place(makeBox(m_frame2, Calculator::kText9 + i, QStringLiteral("Text9(%1)").arg(i)), 8, 22 + 28 * i, 90,
          24);
  }
  m_option1[0] = new QRadioButton(QStringLiteral("total"), m_frame2);
  m_option1[1] = new QRadioButton(QStringLiteral("relative"), m_frame2);
  m_command2 = new QPushButton(QStringLiteral("set ref"), m_frame2);
  m_command2->setObjectName(QStringLiteral("Command2"));
  place(m_option1[0], 106, 23, 66, 22);
  place(m_command2, 106, 50, 62, 24);
  place(m_option1[1], 106, 79, 68, 22);
  m_option1[0]->setChecked(true);

  // Periods: three results, the scroll bar, the price and the kWh/cost switch.
  for (int i = 0; i < 3; ++i) {
    m_label11[i] = label(m_frame3, QStringLiteral("Label11(%1)").arg(i), QString(), 4, 22 + 26 * i, 62);
    place(makeBox(m_frame3, Calculator::kText11 + i, QStringLiteral("Text11(%1)").arg(i)), 68, 22 + 26 * i,
          100, 24);
    box(Calculator::kText11 + i)->setReadOnly(true);
  }
  m_hscroll = new QScrollBar(Qt::Horizontal, m_frame3);
  m_hscroll->setObjectName(QStringLiteral("HScroll1"));
  m_hscroll->setRange(0, Calculator::kScrollMax);
  m_hscroll->setPageStep(1);
  place(m_hscroll, 8, 101, 160, 16);
  label(m_frame3, QStringLiteral("Label16(0)"), QStringLiteral("price ="), 4, 122, 48);
  place(makeBox(m_frame3, Calculator::kText10, QStringLiteral("Text10")), 54, 121, 54, 24);
  label(m_frame3, QStringLiteral("Label16(1)"), QStringLiteral("/ kWh"), 112, 122, 56,
        Qt::AlignLeft | Qt::AlignVCenter);
  m_option2[0] = new QRadioButton(QStringLiteral("kWh"), m_frame3);
  m_option2[1] = new QRadioButton(QStringLiteral("cost"), m_frame3);
  place(m_option2[0], 14, 148, 70, 22);
  place(m_option2[1], 94, 148, 70, 22);
  m_option2[0]->setChecked(true);

  // Advanced: power factor, the 3 x 3 currents, the two voltages.
  place(makeBox(m_frame4[0], Calculator::kText6, QStringLiteral("Text6")), 10, 22, 100, 24);
  const char* rows[] = {"1-phase", "2-phase", "3-phase"};
  for (int r = 0; r < 3; ++r) {
    label(m_frame4[1], QStringLiteral("Label5(%1)").arg(r), QString::fromLatin1(rows[r]), 2, 22 + 28 * r, 60);
    for (int col = 0; col < 3; ++col) {
      const int k = col * 3 + r;  // @ Y, @ D, Load columns; 1-, 2-, 3-phase rows
      place(makeBox(m_frame4[1], Calculator::kText5 + k, QStringLiteral("Text5(%1)").arg(k)), 68 + 96 * col,
            22 + 28 * r, 90, 24);
    }
  }
  label(m_frame4[2], QStringLiteral("Label3(0)"), QStringLiteral("P to N "), 2, 22, 50);
  place(makeBox(m_frame4[2], Calculator::kText3, QStringLiteral("Text3(0)")), 54, 22, 62, 24);
  label(m_frame4[2], QStringLiteral("Label3(1)"), QStringLiteral("P to P "), 116, 22, 50);
  place(makeBox(m_frame4[2], Calculator::kText3 + 1, QStringLiteral("Text3(1)")), 168, 22, 62, 24);

  connect(&m_calc, &Calculator::boxWritten, this, &CalculatorPanel::mirror);
  connect(&m_calc, &Calculator::boxColoured, this, [this](int calculatorBox, int32_t colour) {
    QLineEdit* e = m_boxes[calculatorBox];
    QPalette p = e->palette();
    p.setColor(QPalette::Base, colourToQColor(colour));
    e->setPalette(p);
  });
  connect(&m_calc, &Calculator::boxHinted, this,
          [this](int calculatorBox, const QString& hint) { m_boxes[calculatorBox]->setToolTip(hint); });
  // Designed contents: the load's start values, written without recomputing.
  m_calc.editGuard = -2;
  for (int i = 0; i < 3; ++i) m_calc.setText(Calculator::kText9 + i, fmtValM(0));
  m_calc.setText(Calculator::kText6, fmtValM(m_calc.powerFactor));
  m_calc.editGuard = -1;
  connect(&m_calc, &Calculator::labelsChanged, this, &CalculatorPanel::updateLabels);
  connect(m_option1[1], &QRadioButton::toggled, this, [this](bool on) { m_calc.optionRelativeClicked(on); });
  connect(m_option2[1], &QRadioButton::toggled, this, [this](bool on) { m_calc.optionCostClicked(on); });
  connect(m_command2, &QPushButton::clicked, this, [this] { m_calc.setRefClicked(); });
  connect(m_hscroll, &QScrollBar::valueChanged, this, [this](int v) { m_calc.setScrollValue(v); });
  updateLabels();
}

QLineEdit* CalculatorPanel::makeBox(QWidget* frame, int calculatorBox, const QString& name) {
  auto* e = new QLineEdit(frame);
  e->setObjectName(name);
  e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_boxes[calculatorBox] = e;
  connect(e, &QLineEdit::textChanged, this, [this, calculatorBox](const QString& t) {
    if (!m_mirroring) m_calc.setText(calculatorBox, t);
  });
  return e;
}

void CalculatorPanel::mirror(int calculatorBox, const QString& text) {
  QLineEdit* e = m_boxes[calculatorBox];
  if (e->text() == text) return;
  m_mirroring = true;
  e->setText(text);
  m_mirroring = false;
}

void CalculatorPanel::updateLabels() {
  for (int i = 0; i < 3; ++i) m_label11[i]->setText(m_calc.periodLabel(i));
  m_frame3->setTitle(m_calc.frame3Caption());
}
