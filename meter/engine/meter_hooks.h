#pragma once
// What the meter engine asks of the windows around it. Each
// owner fills its entries when it starts; an empty entry does nothing (or
// answers 0/false), so the engine runs alone in tests and benchmarks.

#include <QString>
#include <cstdint>
#include <functional>

struct MeterHooks {
  // Indicators and idle timer (Timer3) of the main window.
  std::function<void(double duration, double interval, double pulseWidth)> onPulseIndicator;
  std::function<void(double interval, double pulseWidth)> updatePowerBarIndicator;
  std::function<void(bool enabled, int32_t intervalMs)> setTimer3;
  std::function<int32_t()> timer3Interval;
  std::function<void(int32_t intervalMs)> setTimer1Interval;  // off-line simulation rate

  // Main window and its calculator.
  std::function<bool()> windowMinimized;
  std::function<void()> updateTitlePower;
  std::function<double()> referencePower;
  // New power after a valid rate (window not minimised): the calculator shows
  // it in Text9(0)/Text9(2), recomputes cost and its boxes.
  std::function<void(double totPower, double relPower)> showMeterPower;
  std::function<QString()> powerBoxText;  // text of Text9(0) for the web pages

  // Setup window.
  std::function<void(const QString&)> showPulseDetails;  // frmSetup.Text17
  std::function<bool()> overWriteLast;                   // frmSetup.Check1(6)
};

extern MeterHooks meterHooks;
