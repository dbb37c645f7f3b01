#pragma once
// The meter panel ("Energy meter") without its widgets: the texts and colours
// of its boxes, and the routines that turn counts and rates into energy and
// power. The panel widget mirrors this state on meterEvents().meterPanelChanged.

#include <QString>
#include <cstdint>

#include "core/util/date_value.h"

// Background colours of the window's value boxes: normal (window background) and grey
// (button shadow).
constexpr int32_t kFieldColourNormal = int32_t(0x80000005u);
constexpr int32_t kFieldColourGrey = int32_t(0x80000010u);

struct MeterPanelState {
  QString frame1Caption = QStringLiteral("Energy meter");
  QString text2;  // rate: seconds per count or counts per second
  // The rate Text2 stands for, in seconds per count (0: none); typed text is
  // read only while Text2 holds what the user typed.
  double text2Seconds = 0;
  bool text2Typed = false;
  int32_t text2Color = int32_t(0x80000008u);
  QString text2ToolTip;
  QString label2Caption = QStringLiteral("s/count ");
  QString text4;    // register in kWh
  QString text8;    // counts since going on-line
  // Backgrounds of Text2 and Text8.
  int32_t text2Back = kFieldColourNormal;
  int32_t text8Back = kFieldColourNormal;
  QString label14;  // temperature
  // Others write Frame1's caption and Label14 too: the view copies these two
  // only after the engine has set them.
  bool frame1CaptionSet = false;
  bool label14Set = false;
};
extern MeterPanelState meterPanel;
// Announces a change the engine made to meterPanel.
void notifyMeterPanel();
void setFrame1Caption(const QString& text);
void setLabel14(const QString& text);

// Display form of every power number (calculator boxes, live values). errorPending:
// a failed step earlier in the same refresh, which makes the box show "ERROR".
QString fmtValM(double value, bool errorPending = false);
// The same with its own limit for two decimals (millions with an M, whole numbers above).
QString fmtValMBelow(double value, double twoDecimalsBelow);

// Adds the energy of counts to the register and shows it in Text4.
void showEnergy(int32_t counts);
// The register takes a value and Text4 shows it.
void setRegister(double energyWh);
// Text4's form of the register, in kWh.
QString registerText(double energyWh);
// Label14's form of a temperature; empty outside -200..200 °C (no sensor).
QString temperatureText(float tempDegC);
// The live values of the web pages from the register, the power and a temperature.
void setLiveValues(float tempDegC);
// Shows a rate in Text2; a valid one becomes mRevTime and gives a new power.
void showSecondsPerCount(double seconds);
// Power from mRevTime, the power boxes or the title, and the text-log line.
void calcPowerFromRevTime();
// Enter in Text2 (boxText: the box's present text): takes a rate the user
// typed there; text the program wrote stands for the rate it showed.
void parseIntervalField(const QString& boxText);
// Background of Text8 and Text2: normal, grey. Nothing calls them; a step that marks
// the counts and the rate as old, and the reading that renews them, would.
void setMeterFieldsColor();
void setMeterFieldsColor2();
// Timer1 (off-line simulation) follows the last rate.
void setSimulationRate();
// Label2 click: seconds per count <-> counts per second.
void label2Click(const QString& boxText);
// The meter synchronisation with the user's answer (kWh) given at askedAt.
// False when the answer is out of range (the caller shows "value is out of range").
bool synchroniseMeter(const QString& answer, Date askedAt);
