#pragma once
// The meter panel ("Energy meter") without its widgets: the texts and colours
// of its boxes, and the display forms of energy, power and temperature. The
// meter session keeps the panel's state; the panel widget shows it when the
// session announces panelChanged.

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
  // only when the engine has written them since it last looked.
  uint32_t frame1CaptionWrites = 0;
  uint32_t label14Writes = 0;
};

// Display form of every power number (calculator boxes, live values). errorPending:
// a failed step earlier in the same refresh, which makes the box show "ERROR".
QString fmtValM(double value, bool errorPending = false);
// The same with its own limit for two decimals (millions with an M, whole numbers above).
QString fmtValMBelow(double value, double twoDecimalsBelow);

// Text4's form of the register, in kWh.
QString registerText(double energyWh);
// Label14's form of a temperature; empty outside -200..200 °C (no sensor).
QString temperatureText(float tempDegC);
