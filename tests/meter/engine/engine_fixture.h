#pragma once
// A meter engine on its own: settings of a new-format controller, no windows,
// every hook recording what the engine asked for.

#include <gtest/gtest.h>

#include <vector>

#include "core/globals.h"
#include "meter/engine/count_processor.h"
#include "meter/record/data_file.h"
#include "meter/engine/frame_parser.h"
#include "meter/window/meter_display.h"
#include "meter/engine/meter_hooks.h"
#include "meter/engine/meter_state.h"
#include "meter/record/text_log.h"
#include "support/log_capture.h"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meterOnline = true;
    ZAVdetectorVer = 24840;
    ZAVmeterID = 0;
    ticksPerSec = 62500;
    WsPerCount = 3600;
    ifType = 2;
    maxUpdateInterval = 0;
    plotFileSlot = 0;
    zavLogFileName.clear();
    rxBuffer.clear();
    serialFrameReceiver().reset();
    netFrameReceiver().reset();
    thisResetCount = 0;
    readingCount = 0;
    energyWh = 0;
    mRevTime = 0;
    totPower = 0;
    countsPerSecondMode = false;
    meterPanel = MeterPanelState{};
    bool reset = true;
    newMeterCount(reset);
    resetTextLogState();
    meterHooks = MeterHooks{};
    meterHooks.onPulseIndicator = [this](double, double interval, double) {
      m_counts.push_back(thisCount);
      m_intervals.push_back(interval);
    };
    meterHooks.setTimer3 = [this](bool on, int32_t ms) { m_timer3 = on ? ms : 0; };
  }
  void TearDown() override {
    meterHooks = MeterHooks{};
    meterOnline = false;
    if (zavOutFile > 0) closeOutZavDat();
    setDateClockForTests(nullptr);
  }

  LogCapture m_log;
  std::vector<int32_t> m_counts;  // thisCount of each processed reading
  std::vector<double> m_intervals;
  int32_t m_timer3 = -1;
};
