#pragma once
// A half day of recorded readings (one a minute at 1,500 W, 21 °C) installed
// as the plotted file, the settings the charts are given, and the process's
// state the chart touches put back afterwards.

#include <gtest/gtest.h>

#include "core/settings/detector_types.h"
#include "core/settings/settings.h"
#include "support/log_capture.h"
#include "tests/plot/zav_test_file.h"

class ChartFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    TestSection s;
    s.ticksPerSec = 1000;
    s.WsPerCount = 3600;
    uint32_t count = 1000, ticks = 0;
    for (int m = 0; m <= 12 * 60; ++m) {
      // Byte-coded 21 °C.
      s.records.append({.time = testTime(2024, 3, 31, 0, m), .count = count, .ticks = ticks, .temp = 2});
      count += 25;     // 25 * 3600 Ws in 60 s: 1,500 W
      ticks += 60000;
    }
    installTestFile({s}, 0);
    MessageLog::setLevel(2);  // the reader's per-point lines would fill the message window
    // The settings app/ hands the charts.
    m_settings.zavDatFileName = zavDatFileName;
    m_settings.ZAVdetectorVer = kNewFrameDetectorVer;
    m_settings.reduceMethod = 2;
    m_settings.maxPlotPoints = 300;
    m_settings.maxMeterPower = 40000;
    m_settings.plotWidth = 600;
    m_settings.plotHeight = 400;
    m_settings.appName = "Zav";
  }

  // The plotted file and the main window's choices, under the names the tests use.
  QString installTestFile(const QVector<TestSection>& sections, int slot = 0) {
    return m_files.install(sections, slot);
  }
  DataFileSlots& testDataFileSlots() { return m_files.indexes; }

  TestPlotFiles m_files;
  FileNamePair& zavDatFileName = m_files.settings.zavDatFileName;
  const DataFileSlots& dataFileSlots = m_files.indexes;
  int16_t& plotFileSlot = m_files.plotFileSlot;
  bool& autoPlot = m_files.autoPlot;
  Settings m_settings;
  KeepLogLevel m_savedLevel;
};
