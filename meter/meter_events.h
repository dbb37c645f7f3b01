#pragma once
// What the meter side announces: a reading was recorded, the link changed state,
// the texts the main window shows. The engine and the link emit; the main window,
// the chart and the web server connect. Nothing in meter/ calls upward.

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>

#include "meter/engine/reading.h"
#include "meter/link_status.h"

class MeterEvents : public QObject {
  Q_OBJECT
 signals:
  void readingRecorded(const Reading& reading, bool inDataFile);  // a reading was processed (and written)
  void pulseIndicated(double duration, double interval, double pulseWidth);  // flash the pulse indicator
  void powerBarRequested(double interval, double pulseWidth);  // redraw the power bar (idle step)
  void simulationRateSet(int32_t intervalMs);  // Timer1 of the off-line simulation
  void meterPowerShown(double totPower);  // new power for the calculator's boxes (window not minimised)
  void titlePowerShown(double totPower, const QString& temperature);  // new power for the minimised title
  void pulseDetailsShown(const QString& text);  // controller clock and voltage (setup Text17)
  void linkStatusChanged(const LinkStatus& status);  // caption, colour, ON-LINE box, stale values
  void serialLinesChanged(const SerialLines& lines);  // the line boxes show the port's lines
  void linkOnlineChanged(bool online);  // the setup window locks its COM fields while on-line
  void simulationSwitched(bool on);  // the off-line pulse simulation's timer
  void temperatureTextChanged(const QString& text);  // the temperature label (sensor or cleared)
  void idleTimerRequested(int ms);  // Timer3, the idle countdown: runs ms (a pulse waits, no count comes); 0 stops it
  void breakDetected();  // a line break on the plain pulse device: the LED shows it
  void pulseAnalysed(const QString& text);  // the setup window's pulse analysis text
  void comEventCounted(int kind);  // a serial event counter changed (advanced functions)
  void comPortChosen(int port);  // the search put a port in the setting (0 = none)
  void comPortRefused();  // the COM port setting cannot be opened as a number
  void comSettingRefused();  // the COM settings text was refused
  void portListChanged(const QList<int>& ports);  // the ports that open, first one selected
  void linkBusy(bool busy);  // the port list is being built: busy cursor
  void searchProgressReset(const QString& title);  // a COM search starts: progress window
  void searchProgressBar(int bar, double min, double max, const QString& unit);
  void searchProgressValue(int bar, double value);
  void searchProgressClosed();  // the search ended: the progress window goes
  void plotRequested();           // "Plot": draw the plotted slot in the chart window
  void chartWindowRequested();    // View/"Plot": show the chart window
  void chartLoadTestRequested();  // the load test: a chart window created, loaded and unloaded
  void meterPanelChanged();  // the engine changed meterPanel: the panel widgets show it

 public:
  // Someone shows the pulse details: only then is their text worth building.
  bool pulseDetailsWanted() const;
};

MeterEvents& meterEvents();
