#pragma once
// The calculator's frames in the main window: power, energy or cost over
// three periods, and (with advanced functions) power factor, currents and voltages.

#include <QObject>
#include <QVector>

#include "meter/window/calculator.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QWidget;

class CalculatorPanel : public QObject {
  Q_OBJECT
 public:
  // Builds the frames as children of parent; the window places them.
  explicit CalculatorPanel(QWidget* parent);

  Calculator& calculator() { return m_calc; }
  QGroupBox* Frame2() const { return m_frame2; }
  QGroupBox* Frame3() const { return m_frame3; }
  QGroupBox* Frame4(int i) const { return m_frame4.at(i); }
  QLineEdit* box(int calculatorBox) const { return m_boxes.at(calculatorBox); }
  QScrollBar* HScroll1() const { return m_hscroll; }
  QRadioButton* Option1(int i) const { return m_option1[i]; }
  QRadioButton* Option2(int i) const { return m_option2[i]; }
  QPushButton* Command2() const { return m_command2; }
  QLabel* Label11(int i) const { return m_label11[i]; }

 private:
  QLineEdit* makeBox(QWidget* frame, int calculatorBox, const QString& name);
  void mirror(int calculatorBox, const QString& text);
  void updateLabels();

  Calculator m_calc;
  QVector<QLineEdit*> m_boxes;
  QGroupBox* m_frame2;
  QGroupBox* m_frame3;
  QVector<QGroupBox*> m_frame4;
  QScrollBar* m_hscroll;
  QRadioButton* m_option1[2];
  QRadioButton* m_option2[2];
  QPushButton* m_command2;
  QLabel* m_label11[3];
  bool m_mirroring = false;
};
