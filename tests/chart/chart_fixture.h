#pragma once
// A half day of recorded readings (one a minute at 1,500 W, 21 °C) installed
// as the plotted file, with the settings the chart reads put back afterwards.

#include <gtest/gtest.h>

#include "chart/chart_settings.h"
#include "core/globals.h"
#include "core/settings/detector_types.h"
#include "meter/record/data_file.h"
#include "plot/graph_request.h"
#include "support/restore_on_exit.h"
#include "tests/plot/zav_test_file.h"

class ChartFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    TestSection s;
    s.ticksPerSec = 1000;
    s.WsPerCount = 3600;
    uint32_t count = 1000, ticks = 0;
    for (int m = 0; m <= 12 * 60; ++m) {
      s.records.append({testTime(2024, 3, 31, 0, m), count, ticks, 2});  // byte-coded 21 °C
      count += 25;     // 25 * 3600 Ws in 60 s: 1,500 W
      ticks += 60000;
    }
    installTestFile({s}, 0);
    plotFileSlot = 0;
    ZAVdetectorVer = kNewFrameDetectorVer;
    reduceMethod = 2;
    maxPlotPoints = 300;
    msgLevel = 2;  // the reader's per-point lines would fill the message window
    plotWidth = 600;
    plotHeight = 400;
  }

  RestoreOnExit m_saved{zavDatFileName, dataFileSlots, plotFileSlot, ZAVdetectorVer, chartWindowLoaded,
                        savePlotToPicFile, zavPlotFileName, plotPointMarks, DrawOrthogonalLines,
                        DrawPowerInBackground, ReferencePowerEndTime, viewRange, autoPlot,
                        reduceMethod, maxPlotPoints, msgLevel, plotWidth, plotHeight};
};
