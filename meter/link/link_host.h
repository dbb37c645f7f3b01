#pragma once
// What the meter link reads and writes outside itself: the main window's link controls,
// the setup window's COM fields, the progress window and the meter engine. The program's
// adapter (meter/link/link_host_app.cpp) connects these to the windows and the engine; tests
// use a recording fake.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

#include "core/util/date_value.h"

class CommLink;

// One progress window of the COM-port search; destroying it unloads the window.
class LinkProgress {
 public:
  virtual ~LinkProgress() = default;
  virtual void Reset(const QString& title) = 0;
  virtual void initBar(int index, double min, double max, const QString& unit) = 0;
  virtual void update(int index, double value) = 0;
};

class LinkHost {
 public:
  virtual ~LinkHost() = default;

  // --- main window ---
  virtual void setFrame1Caption(const QString& text) = 0;
  virtual void setFrame1ForeColor(int32_t colour) = 0;
  // The "ON-LINE" box Check1 (0 or 1).
  virtual void setOnlineBox(int value) = 0;
  // The "Auto Plot" box Check3.
  virtual void setAutoPlotEnabled(bool enabled) = 0;
  // The temperature label Label14.
  virtual void setTemperatureText(const QString& text) = 0;
  // The line-control boxes Check2(0..2); writing a changed value runs Check2_Click.
  virtual int lineBox(int index) const = 0;
  virtual void setLineBox(int index, int value) = 0;
  virtual void setSimulationTimer(bool enabled) = 0;  // Timer1
  virtual void setBusyCursor(bool busy) = 0;
  // Timer3, the idle countdown: disabled, or armed with an interval in ms (1..65535).
  virtual void stopIdleTimer() = 0;
  virtual void startIdleTimer(int ms) = 0;
  virtual void showBreakIndicator() = 0;
  virtual void clearBreakIndicated() = 0;
  virtual void setPulseWidthBits(int16_t bits) = 0;
  // A plain pulse waits for Timer3: pulsePending := True, idleCountdownMs := ms.
  virtual void setPulsePending(int32_t idleCountdownMs) = 0;

  // --- setup window ---
  // Settings the link reads ("Advanced functions", "write to Zav data file").
  virtual bool advancedFunctions() const = 0;
  virtual bool writeToZAVdataFile() const = 0;
  virtual QString comPortText() const = 0;  // Text1(0)
  virtual void setComPortText(const QString& text) = 0;
  virtual void setComPortColor(int32_t colour) = 0;
  virtual void setComSettingColor(int32_t colour) = 0;  // Text1(14)
  // Combo2, the list of tested COM ports (text = number, item data = number).
  virtual void clearPortList() = 0;
  virtual void addPortListItem(int port) = 0;
  virtual int portListCount() const = 0;
  virtual int portListItemData(int index) const = 0;
  virtual void selectPortListItem(int index) = 0;
  virtual void addToIniFile(const QString& line) = 0;
  virtual void meterOnOflineChanged() = 0;
  // COM-status box Text16(index).
  virtual void showComEventCount(int index, const QString& text) = 0;
  // The "Pulse analysis" frame and its text.
  virtual void showPulseAnalysis(const QString& text) = 0;
  virtual std::unique_ptr<LinkProgress> newProgress() = 0;

  // --- meter engine ---
  virtual bool dataFileOpen() const = 0;
  virtual void openDataFile() = 0;
  virtual void closeDataFile() = 0;
  // Text-log line with the present energy and a power (or a marker such as -2 / -4).
  virtual void writeLogLine(Date time, double power) = 0;
  virtual void newMeterCount(bool resetCountChanged) = 0;
  virtual void resetReadingCount() = 0;
  virtual void resetSimulatedPulses() = 0;  // divider 1, counter 0
  virtual void zavDataArrival(const QByteArray& data) = 0;
  virtual void zavDataArrivalNet(const QByteArray& data) = 0;
  // The latest reading handed to newMeterCount.
  virtual void setReading(int32_t count, int32_t timer, int16_t temp, int16_t voltCount, int16_t status,
                          int32_t resetCount) = 0;
  virtual int32_t lastProcessTick() const = 0;
};

// The host and the serial control of the running program; tests put their own in place.
LinkHost& linkHost();
void setLinkHost(LinkHost* host);  // nullptr restores the program's adapter
CommLink& MSComm1();
void setMSComm1(CommLink* port);  // nullptr restores the termios port
