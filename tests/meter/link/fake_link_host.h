#pragma once
// Records what the meter link shows and calls outside itself.

#include <QList>
#include <QStringList>
#include <functional>

#include "meter/link/link_host.h"
#include "meter/link/online_state.h"

struct FakeProgress : LinkProgress {
  QStringList* calls;
  explicit FakeProgress(QStringList* c) : calls(c) {}
  ~FakeProgress() override { calls->append("unload"); }
  void Reset(const QString& title) override { calls->append("Reset " + title); }
  void initBar(int index, double min, double max, const QString& unit) override {
    calls->append(QStringLiteral("initBar %1 %2 %3 %4").arg(index).arg(min).arg(max).arg(unit));
  }
  void update(int index, double value) override {
    calls->append(QStringLiteral("update %1 %2").arg(index).arg(value));
  }
};

class FakeLinkHost : public LinkHost {
 public:
  // Last values shown.
  QString frame1Caption;
  int32_t frame1Colour = 0;
  int onlineBox = -1;
  bool autoPlotEnabled = true;
  QString temperature;
  int lineBoxes[3] = {0, 0, 0};
  bool simulationTimer = false;
  int idleTimerMs = 0;  // 0 = stopped
  int breakIndicators = 0;
  int16_t pulseWidthBits = 0;
  bool pulsePending = false;
  int32_t idleCountdownMs = 0;
  bool advanced = false;
  bool writeData = true;
  QString comPort;
  int32_t comPortColour = 0, comSettingColour = 0;
  QList<int> ports;
  int selectedPort = -1;
  QStringList iniLines;
  int onOffChanges = 0;
  QMap<int, QString> comCounts;
  QString pulseAnalysis;
  QStringList progress;
  QStringList captions;  // every Frame1 caption in order
  // Engine.
  bool dataOpen = false;
  bool dataFileFails = false;
  QList<double> logPowers;
  QList<bool> meterCounts;
  int readingResets = 0;
  QList<QByteArray> serialData, netData;
  struct Reading {
    int32_t count, timer;
    int16_t temp, volt, status;
    int32_t reset;
  } reading{};
  int32_t processTick = 0;
  std::function<void(const QByteArray&)> onSerialData;

  void setFrame1Caption(const QString& t) override {
    frame1Caption = t;
    captions.append(t);
  }
  void setFrame1ForeColor(int32_t c) override { frame1Colour = c; }
  void setOnlineBox(int v) override { onlineBox = v; }
  void setAutoPlotEnabled(bool e) override { autoPlotEnabled = e; }
  void setTemperatureText(const QString& t) override { temperature = t; }
  int lineBox(int i) const override { return lineBoxes[i]; }
  void setLineBox(int i, int v) override {
    if (lineBoxes[i] == v) return;
    lineBoxes[i] = v;
    Check2_Click(int16_t(i));
  }
  void setSimulationTimer(bool e) override { simulationTimer = e; }
  void setBusyCursor(bool) override {}
  void stopIdleTimer() override { idleTimerMs = 0; }
  void startIdleTimer(int ms) override { idleTimerMs = ms; }
  void showBreakIndicator() override { ++breakIndicators; }
  void clearBreakIndicated() override {}
  void setPulseWidthBits(int16_t b) override { pulseWidthBits = b; }
  void setPulsePending(int32_t ms) override {
    pulsePending = true;
    idleCountdownMs = ms;
  }
  bool advancedFunctions() const override { return advanced; }
  bool writeToZAVdataFile() const override { return writeData; }
  QString comPortText() const override { return comPort; }
  void setComPortText(const QString& t) override { comPort = t; }
  void setComPortColor(int32_t c) override { comPortColour = c; }
  void setComSettingColor(int32_t c) override { comSettingColour = c; }
  void clearPortList() override { ports.clear(); }
  void addPortListItem(int p) override { ports.append(p); }
  int portListCount() const override { return int(ports.size()); }
  int portListItemData(int i) const override { return ports.value(i); }
  void selectPortListItem(int i) override { selectedPort = i; }
  void addToIniFile(const QString& line) override { iniLines.append(line); }
  void meterOnOflineChanged() override { ++onOffChanges; }
  void showComEventCount(int i, const QString& t) override { comCounts[i] = t; }
  void showPulseAnalysis(const QString& t) override { pulseAnalysis = t; }
  std::unique_ptr<LinkProgress> newProgress() override { return std::make_unique<FakeProgress>(&progress); }
  bool dataFileOpen() const override { return dataOpen; }
  void openDataFile() override { dataOpen = !dataFileFails; }
  void closeDataFile() override { dataOpen = false; }
  void writeLogLine(Date, double power) override { logPowers.append(power); }
  void newMeterCount(bool reset) override { meterCounts.append(reset); }
  void resetReadingCount() override { ++readingResets; }
  void resetSimulatedPulses() override {}
  void zavDataArrival(const QByteArray& d) override {
    serialData.append(d);
    if (onSerialData) onSerialData(d);
  }
  void zavDataArrivalNet(const QByteArray& d) override { netData.append(d); }
  void setReading(int32_t c, int32_t t, int16_t temp, int16_t v, int16_t s, int32_t r) override {
    reading = {c, t, temp, v, s, r};
  }
  int32_t lastProcessTick() const override { return processTick; }
};
