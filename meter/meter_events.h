#pragma once
// What the meter side announces: a reading was recorded, the link changed state,
// the texts the main window shows. The engine and the link emit; the main window,
// the chart and the web server connect. Nothing in meter/ calls upward.

#include <QObject>
#include <QString>
#include <cstdint>

#include "meter/engine/reading.h"

class MeterEvents : public QObject {
  Q_OBJECT
 signals:
  void readingRecorded(const Reading& reading, bool inDataFile);  // a reading was processed (and written)
  void pulseIndicated(double duration, double interval, double pulseWidth);  // flash the pulse indicator
  void powerBarRequested(double interval, double pulseWidth);  // redraw the power bar (idle step)
  void idleTimerSet(int32_t intervalMs);  // Timer3: 0 stops it, else runs it with this interval
  void simulationRateSet(int32_t intervalMs);  // Timer1 of the off-line simulation
  void meterPowerShown(double totPower);  // new power for the calculator's boxes (window not minimised)
  void titlePowerShown(double totPower, const QString& temperature);  // new power for the minimised title
  void pulseDetailsShown(const QString& text);  // controller clock and voltage (setup Text17)
  void plotRequested(bool reload);  // redraw the chart from the plotted slot
  void chartWindowRequested();  // View/Plot: show the chart window
  void chartLoadTestRequested(double times);  // load and unload the chart window n times
  void plotFormReleaseRequested();  // drop the hidden chart window of the web graphs
};

MeterEvents& meterEvents();
