#pragma once
// The main window: meter panel, calculator, indicators, about box, menus and
// the program's start-up after the setup window and its end.

#include <QMainWindow>
#include <QString>
#include <QVector>
#include <cstdint>

#include "core/settings/settings.h"
#include "meter/window/help_link.h"
#include "platform/form_timer.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class Calculator;
class CalculatorPanel;
class Indicators;
class MainMenus;
class MeterLink;
class MeterSession;
class PowerBarWidget;
struct PowerBarInputs;
class ShapeWidget;
class TcpClientPanel;

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  // The window shows the session's values and drives the link; both outlive it.
  // It starts with the session's settings.
  Form1(MeterSession& session, MeterLink& link);
  ~Form1() override;

  MeterSession& session() { return m_session; }
  MeterLink& link() { return m_link; }
  // The window's copy of the settings (app/ hands each new one).
  void setSettings(const Settings& settings);
  const Settings& settings() const { return m_settings; }

  // The load handler, in its designed order; ends with the window shown, then
  // on-line and minimised as the setup window's start options say.
  void formLoad();

  void showMenuBar(bool show);
  void applyWindowOptions();
  void applyGlobalVariables();
  void setWindowSize();
  // The title while minimised: the power and a temperature text.
  void updateTitlePower(const QString& temperature);
  void updateTitlePower();
  // Asks before the program ends; off-line first, then the setup window's shut-down.
  void confirmExit();
  // Grey live values (energy, rate, counts, temperature, power, periods, currents, power
  // bar): they are old, the device is lost or has not sent a reading since its return.
  void showValuesGrey(bool grey);
  bool valuesGrey() const { return m_valuesGrey; }
  // The end without asking (termination signal, session end).
  void endWithoutAsking();
  void beep();
  // Opens the help link (index 3) without the mouse test; nothing calls it: a menu entry
  // or a key for the help would.
  void openHelpLink(int16_t index);
  // The main window's second empty routine; nothing calls it.
  static void emptyProc2() {}
  void setStartupFlag(int16_t value);
  // Protocol-analyzer handlers.
  void Check4_Click(int index);
  void Command4_Click(int16_t index);
  void Command6_Click();
  void Command7_Click();
  // The line boxes Check2(0..2) drive the serial lines.
  void Check2_Click(int index);

  Calculator& calculator();
  Indicators& indicators() { return *m_indicators; }
  // What the power bar is drawn from: the meter constants, the reference and the bar's size.
  PowerBarInputs powerBarInputs() const;
  MainMenus& menus() { return *m_menus; }
  // The plotted slot (Option3: 0 the file recorded into, 1 the archive) and
  // "Auto Plot" (Check3): app/ hands them to the chart and the auto-plot.
  int16_t plotFileSlot() const { return m_plotFileSlot; }
  bool autoPlot() const { return m_autoPlot; }
  // Set by the load; stays set for the rest of the run.
  bool mainWindowLoaded() const { return m_loaded; }

  // Controls other parts of the program read or write.
  QGroupBox* Frame1() const { return m_frame1; }
  QGroupBox* Frame5() const { return m_frame5; }
  QGroupBox* Frame6() const { return m_frame6; }
  QLineEdit* Text2() const { return m_text2; }
  QLineEdit* Text4() const { return m_text4; }
  QLineEdit* Text8() const { return m_text8; }
  QLabel* Label2() const { return m_label2; }
  QLabel* Label12() const { return m_label12; }
  QLabel* Label14() const { return m_label14; }
  QCheckBox* Check1() const { return m_check1; }
  QCheckBox* Check2(int i) const { return m_check2.at(i); }
  QCheckBox* Check3() const { return m_check3; }
  QCheckBox* Check4(int i) const { return m_check4.at(i); }
  QCheckBox* Check5() const { return m_check5; }
  QCheckBox* Check6() const { return m_check6; }
  QPushButton* Command4(int i) const { return m_command4.at(i); }
  QPushButton* Command6() const { return m_command6; }
  QPushButton* Command7() const { return m_command7; }
  QLineEdit* Text1(int i) const { return m_text1.at(i); }
  QLineEdit* Text13(int i) const { return m_text13.at(i); }
  QPushButton* Command1() const { return m_command1; }
  QPushButton* Command3(int i) const { return i == 0 ? m_command3 : nullptr; }
  QRadioButton* Option3(int i) const { return m_option3[i]; }
  QLineEdit* Text7(int i) const { return m_text7.at(i); }
  QLineEdit* Text12(int i) const { return m_text12.at(i); }
  ShapeWidget* Shape1() const { return m_shape1; }
  ShapeWidget* Shape2() const { return m_shape2; }
  PowerBarWidget* Picture2() const { return m_picture2; }
  CalculatorPanel* calculatorPanel() const { return m_calcPanel; }
  TcpClientPanel* tcpClientPanel() const { return m_tcpPanel; }
  // The area of the diagnostic frames, right of the main controls.
  QWidget* clientArea() const { return m_client; }

  // Timer7 counts a wait down in the cancel window (Form9); at 0, or after its Cancel, it
  // stops and ends the wait for the controller. Nothing starts it: a wait that shows its
  // countdown would set the two counts and enable it.
  FormTimer Timer7;
  int32_t timer7Total = 0;
  int32_t timer7Remaining = 0;
  void Timer7_Timer();

  QString captionText;
  int menuBarHeight = 0;  // twips
  int frameHeight = 0;    // twips
  int16_t calcDependentGroup = 3;

 signals:
  void programEnded();  // confirmed (or forced) end, after the shut-down: the application quits

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildMeterPanel();
  void buildLowerFrame();
  void buildDiagnostics();
  void buildLineBoxes();
  void buildAnalyzerModes();
  void buildPulseTest();
  void buildDcdCapture();
  void buildTestCommands();
  void fillAboutBox();
  void goOffline();
  void showDcdTimeStamps();
  void Check1_Click();
  void Option3_Click();  // which slot is plotted; "Auto Plot" only for the current file
  void Check3_Click();
  void Command3_Click(int16_t index);

  MeterSession& m_session;
  MeterLink& m_link;
  Settings m_settings;
  QWidget* m_client = nullptr;
  QGroupBox* m_frame1 = nullptr;
  QGroupBox* m_frame5 = nullptr;
  QGroupBox* m_frame6 = nullptr;
  QLineEdit* m_text2 = nullptr;
  QLineEdit* m_text4 = nullptr;
  QLineEdit* m_text8 = nullptr;
  QLabel* m_label2 = nullptr;
  QLabel* m_label8 = nullptr;
  QLabel* m_label12 = nullptr;
  QLabel* m_label14 = nullptr;
  QCheckBox* m_check1 = nullptr;
  QVector<QCheckBox*> m_check2;
  QCheckBox* m_check3 = nullptr;
  QCheckBox* m_check5 = nullptr;
  QVector<QCheckBox*> m_check4;
  QCheckBox* m_check6 = nullptr;
  QVector<QPushButton*> m_command4;
  QPushButton* m_command6 = nullptr;
  QPushButton* m_command7 = nullptr;
  QVector<QLineEdit*> m_text1;
  QVector<QLineEdit*> m_text13;
  QPushButton* m_command1 = nullptr;
  QPushButton* m_command3 = nullptr;
  QRadioButton* m_option3[2] = {};
  QVector<QLineEdit*> m_text7;
  QVector<QLineEdit*> m_text12;
  ShapeWidget* m_shape1 = nullptr;
  ShapeWidget* m_shape2 = nullptr;
  PowerBarWidget* m_picture2 = nullptr;
  CalculatorPanel* m_calcPanel = nullptr;
  TcpClientPanel* m_tcpPanel = nullptr;
  Indicators* m_indicators = nullptr;
  MainMenus* m_menus = nullptr;
  HelpLinkClicks m_linkClicks;
  bool m_ending = false;
  bool m_valuesGrey = false;
  int16_t m_plotFileSlot = 0;
  bool m_autoPlot = false;
  bool m_loaded = false;
};

// The main window once showMainWindow has made it, else nullptr.
Form1* form1();
// Makes and shows the main window (once the setup window has loaded the settings).
void showMainWindow(MeterSession& session, MeterLink& link);
