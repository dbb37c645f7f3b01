#pragma once
// Form2: a test bench for the progress window. "Command1" runs a progress
// test of thirteen steps, one per tenth of a second, that its Cancel button
// ends early; "Command2" starts a clock in Text1.

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

#include "platform/form_timer.h"

class QLineEdit;
class QPushButton;
class QTimer;
class frmProgBar;

class Form2 : public QWidget {
  Q_OBJECT
 public:
  Form2();
  ~Form2() override;

  QLineEdit* Text1() const { return m_text1; }
  QPushButton* Command1() const { return m_command1; }
  QPushButton* Command2() const { return m_command2; }
  FormTimer& Timer1() { return m_timer1; }
  frmProgBar* progressWindow() const { return m_progress.get(); }
  bool testRunning() const { return m_progress != nullptr; }

  static constexpr int kTestSteps = 13;
  static constexpr int kTestBars = 4;

 signals:
  void testDone();

 private:
  void runProgBarTest();
  void testStep();
  void endTest();

  QLineEdit* m_text1;
  QPushButton* m_command1;
  QPushButton* m_command2;
  FormTimer m_timer1;
  std::unique_ptr<frmProgBar> m_progress;
  QTimer* m_poll;
  QElapsedTimer m_clock;
  qint64 m_lastTenth = 0;
  int m_updates = 0;
};
