#pragma once
// The electrical calculator of the main window without its widgets: power,
// power factor, voltages and phase currents follow each other, and energy or
// cost is worked out over three consecutive periods. The boxes are held as
// texts; writing a box runs its change handler as the window's text boxes do,
// and a view mirrors every write it announces (boxWritten).

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>

#include "meter/engine/meter_display.h"  // fmtValM, the display form of the boxes

// The box value: every "," taken as "." and the leading number read; none gives 0.
double calcBoxValue(const QString& text);

class Calculator : public QObject {
  Q_OBJECT
 public:
  enum Box : int {
    kText9 = 0,    // power: 0 total, 1 reference, 2 relative
    kText6 = 3,    // power factor
    kText3 = 4,    // voltage: 0 phase to neutral, 1 phase to phase
    kText5 = 6,    // currents 0..8
    kText10 = 15,  // price per kWh
    kText11 = 16,  // period results 0..2
    kBoxCount = 19
  };
  static constexpr int kPeriods = 6;
  static const std::array<double, 2> lineVoltageFactor;
  static const std::array<double, 9> phaseCurrentFactor;
  static const std::array<double, kPeriods> periodHours;
  static const std::array<const char*, kPeriods> periodNames;
  static constexpr int kScrollMax = 3;

  explicit Calculator(QObject* parent = nullptr);

  // The start values of the window's load: tables in place, guard idle,
  // powers 0, power factor 1, voltage 1.
  void resetForLoad();

  QString text(int box) const { return m_text[box]; }
  int32_t backColor(int box) const { return m_back[box]; }
  QString toolTip(int box) const { return m_hint[box]; }
  // A box written from code or typed by the user: stores the text, mirrors it
  // and runs the box's change handler (which acts only while the guard is idle).
  void setText(int box, const QString& text);

  // Handlers of the window's option buttons, the "set ref" button and the scroll bar.
  void optionRelativeClicked(bool relative);
  void setRefClicked();
  void optionCostClicked(bool cost);
  void setScrollValue(int value);
  int scrollValue() const { return m_scrollValue; }

  void refreshCalcFields(int group, int index);
  void calcCost();

  // The meter's power after a new reading: total and relative power follow it.
  void setMeterPower(double watts);
  // Shows the meter's power in the power boxes and recomputes currents and
  // periods, without reading the boxes back.
  void showMeterPower();
  // Writes the price text under the settings guard (no change handler runs).
  void applyPrice(const QString& priceText);

  // Background of Text5(0..5), of the three Text11 boxes, of Text3(0..1).
  void setCurrentFieldsColor(int32_t colour);
  void setPeriodFieldsColor(int32_t colour);
  void setFieldsColor3(int32_t colour);

  // Nothing calls the next five: they are the calculator's earlier steps, which a power
  // typed into the power boxes ran before refreshCalcFields took their place.
  // Text9(index) in kilowatts.
  void showPower(int index, double watts);
  // The currents, each by its own formula, with the hint on the common phase's box.
  void calcCurrent();
  // The voltage of a load from its power and its 1-phase current Text5(0); grey when that is 0.
  void calcVoltage();
  // Takes the typed power boxes, then calcVoltage.
  void applyPowerEntry();
  // Text11(index) as fmtValM writes it, but with two decimals below 99,999.
  void fmtValM2(double value, int index);

  QString periodLabel(int i) const;
  QString frame3Caption() const;

  double totPower = 0, refPower = 0, relPower = 0;
  double powerFactor = 1.0, phaseVoltage = 1.0, phaseCurrent = 0;
  double pricePerkWhValue = 0;
  bool relativeMode = false;
  bool costMode = false;
  int16_t editGuard = -1;
  int16_t editIndex = -1;
  int16_t calcDependentGroup = 3;

 signals:
  void boxWritten(int box, const QString& text);  // every box write: the panel sets the widget's text
  void boxColoured(int box, int32_t colour);      // a box's background changed
  void boxHinted(int box, const QString& hint);   // a box's tool tip changed
  void priceTyped(const QString& priceText);      // a typed price: the settings keep its trimmed text
  void labelsChanged();  // period labels or the results frame's caption changed

 private:
  double power() const { return relativeMode ? relPower : totPower; }
  void boxChanged(int box);
  // Writes a box unless it is the one being edited.
  void writeBox(int box, const QString& text);
  bool isEditedBox(int box) const;
  void setBack(int first, int count, int32_t colour);
  // Writes a box under the guard: its change handler does not read it back.
  void showBox(int box, const QString& text);

  std::array<QString, kBoxCount> m_text;
  std::array<int32_t, kBoxCount> m_back;
  std::array<QString, kBoxCount> m_hint;
  int m_scrollValue = 0;
};
