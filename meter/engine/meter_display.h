#pragma once
// The meter panel ("Energy meter") without its widgets: the texts and colours
// of its boxes, and the display forms of energy, power and temperature. The
// meter session keeps the panel's state and announces it with every change
// (panelChanged) but a reading's, which comes as the reading's values
// (readingRecorded); the panel widget keeps a copy that takes both.

#include <QString>
#include <cstdint>

#include "core/util/lazy_text.h"
#include "meter/engine/reading_result.h"
#include "platform/named_colours.h"

// Background colours of the window's value boxes: normal and grey.
constexpr int32_t kFieldColourNormal = kSysColorWindowBackground;
constexpr int32_t kFieldColourGrey = kSysColorButtonShadow;

// Text4's form of the register, in kWh.
QString registerText(double energyWh);

// The texts of the numbers are made when first read: a reading costs no
// formatting until someone shows it.
struct MeterPanelState {
  QString frame1Caption = QStringLiteral("Energy meter");
  LazyText text2;  // rate: seconds per count or counts per second
  // The rate Text2 stands for, in seconds per count (0: none); typed text is
  // read only while Text2 holds what the user typed.
  double text2Seconds = 0;
  bool text2Typed = false;
  int32_t text2Color = kSysColorWindowText;
  QString text2ToolTip;
  QString label2Caption = QStringLiteral("s/count ");
  bool countsPerSecond = false;  // Text2's unit: counts per second instead of seconds per count
  LazyText text4;                // register in kWh
  LazyText text8;                // counts since going on-line
  // Backgrounds of Text2 and Text8.
  int32_t text2Back = kFieldColourNormal;
  int32_t text8Back = kFieldColourNormal;
  LazyText label14;  // temperature
  // Others write Frame1's caption and Label14 too: the view copies these two
  // only when the engine has written them since it last looked.
  uint32_t frame1CaptionWrites = 0;
  uint32_t label14Writes = 0;

  // A reading's values: temperature, counts, register and rate; the caption of
  // a new on-line period, then that of a failed data-file write.
  void showReading(const ReadingResult& result);
  // Text2 shows the rate in its unit, or "ERROR" in red outside 0.00009 .. 3600 s
  // per count; true when the rate is valid.
  bool showRate(double secondsPerCount);
  // Text2 shows `shown` (in its unit) for a rate of `seconds` per count.
  void showRateValue(double shown, double seconds);
  void showRegister(double energyWh) { text4.setValue(energyWh, registerText); }
  void setFrame1Caption(const QString& text);
};

// Display form of every power number (calculator boxes, live values). errorPending:
// a failed step earlier in the same refresh, which makes the box show "ERROR".
QString fmtValM(double value, bool errorPending = false);
// The same with its own limit for two decimals (millions with an M, whole numbers above).
QString fmtValMBelow(double value, double twoDecimalsBelow);

// Label14's form of a temperature; empty outside -200..200 °C (no sensor).
QString temperatureText(float tempDegC);
