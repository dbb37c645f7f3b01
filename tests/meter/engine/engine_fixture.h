#pragma once
// A meter engine on its own: settings of a new-format controller, no windows,
// the engine's announcements recorded.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/globals.h"
#include "core/settings/detector_types.h"
#include "meter/engine/count_processor.h"
#include "meter/record/data_file.h"
#include "meter/engine/frame_parser.h"
#include "meter/engine/meter_display.h"
#include "meter/engine/meter_state.h"
#include "meter/meter_events.h"
#include "meter/engine/register_log.h"
#include "meter/record/text_log.h"
#include "support/log_capture.h"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meterOnline = true;
    ZAVdetectorVer = kNewFrameDetectorVer;
    ZAVmeterID = 0;
    ticksPerSec = 62500;
    WsPerCount = 3600;
    ifType = 2;
    maxUpdateInterval = 0;
    plotFileSlot = 0;
    zavLogFileName.clear();
    overWriteLast = false;
    serialFrameReceiver().reset();
    netFrameReceiver().reset();
    storeLatestReading({});
    mainWindowMinimized = false;
    readingCount = 0;
    energyWh = 0;
    mRevTime = 0;
    totPower = 0;
    countsPerSecondMode = false;
    meterPanel = MeterPanelState{};
    clearCountProcessor();
    resetTextLogState();
    m_listener = std::make_unique<QObject>();
    MeterEvents& e = meterEvents();
    QObject::connect(&e, &MeterEvents::pulseIndicated, m_listener.get(), [this](double, double interval, double) {
      m_counts.push_back(thisCount);
      m_intervals.push_back(interval);
    });
    QObject::connect(&e, &MeterEvents::idleTimerRequested, m_listener.get(), [this](int32_t ms) { m_timer3 = ms; });
    QObject::connect(&e, &MeterEvents::readingRecorded, m_listener.get(),
                     [this](const Reading& r, bool inFile) { m_recorded.push_back({r, inFile}); });
  }
  void TearDown() override {
    m_listener.reset();
    meterOnline = false;
    if (zavOutFile > 0) closeOutZavDat();
    setDateClockForTests(nullptr);
  }

  LogCapture m_log;
  std::unique_ptr<QObject> m_listener;  // owns the connections of one test
  struct Recorded {
    Reading reading;
    bool inDataFile;
  };
  std::vector<Recorded> m_recorded;
  std::vector<int32_t> m_counts;  // thisCount when each reading was processed
  std::vector<double> m_intervals;
  int32_t m_timer3 = -1;
};
