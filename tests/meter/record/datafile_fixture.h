#pragma once
// A data file of its own in a temporary folder, with the settings of a new-format controller.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/globals.h"
#include "meter/record/data_file.h"
#include "support/log_capture.h"
#include "tests/meter/record/zav_bytes.h"

constexpr double kDay = 45352.5;  // 2024-03-01 12:00

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_path = m_dir.filePath("pwrData.ZAV");
    zavDatFileName[0] = m_path;
    zavDatFileName[1] = m_dir.filePath("second.ZAV");
    ZAVdetectorVer = kNewFrameDetectorVer;
    ZAVmeterID = 0;
    ticksPerSec = 62500;
    WsPerCount = 1200;
    setDateClockForTests([] { return QDateTime(QDate(2024, 3, 2), QTime(8, 0, 0)); });
  }
  void TearDown() override {
    if (zavOutFile > 0) closeOutZavDat();
    setDateClockForTests(nullptr);
  }
  void appendReading(int count, Date t) {
    zavOutDat.record.count = count;
    zavOutDat.record.ticks = count * 10;
    zavOutDat.record.temp = 1;
    ASSERT_TRUE(appendOutRecord(t));
  }

  QTemporaryDir m_dir;
  QString m_path;
  LogCapture m_log;
};
