#pragma once
// A data file of its own in a temporary folder, with the settings of a new-format
// controller: a recorder with its section indexes and text log, as the session holds them.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/settings/detector_types.h"
#include "core/settings/settings.h"
#include "meter/record/data_file.h"
#include "meter/record/recorder.h"
#include "meter/record/text_log.h"
#include "support/log_capture.h"
#include "tests/meter/record/zav_bytes.h"

constexpr double kDay = 45352.5;  // 2024-03-01 12:00

// Where an index's sections lie, and how many readings each holds.
inline QVector<int64_t> sectionPositions(const dataFileIndex& ix) {
  QVector<int64_t> out;
  for (const DataSection& s : ix.sections) out << s.from;
  return out;
}
inline std::vector<int32_t> readingsPerSection(const dataFileIndex& ix) {
  std::vector<int32_t> out;
  for (const DataSection& s : ix.sections) out.push_back(s.readings());
  return out;
}

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_path = m_dir.filePath("pwrData.ZAV");
    m_settings.zavDatFileName = {m_path, m_dir.filePath("second.ZAV")};
    m_settings.ZAVdetectorVer = kNewFrameDetectorVer;
    m_settings.ZAVmeterID = 0;
    m_settings.ticksPerSec = 62500;
    m_settings.WsPerCount = 1200;
    m_textLog.setSettings(m_settings);
    setDateClockForTests([] { return QDateTime(QDate(2024, 3, 2), QTime(8, 0, 0)); });
  }
  void TearDown() override {
    if (m_recorder.isOpen()) ::closeOutZavDat(m_recorder);
    setDateClockForTests(nullptr);
  }
  // The designed routines on this fixture's recorder and indexes.
  bool loadZavDatNEW(int16_t slot) { return m_slots.load(slot, m_settings.zavDatFileName[slot]); }
  void openOutZavDat() {
    m_textLog.setSettings(m_settings);
    ::openOutZavDat(m_recorder, m_settings);
  }
  void closeOutZavDat() { ::closeOutZavDat(m_recorder); }
  Result<bool> append(int count, Date t) { return m_recorder.append(Reading{count, count * 10, 1, 0, 0, 0}, t); }
  // The first reading of a section gives it its reset count and voltage.
  void appendReading(int count, Date t, int32_t resetCount = 0, int16_t voltage = 0) {
    ASSERT_TRUE(m_recorder.append(Reading{count, count * 10, 1, voltage, 0, resetCount}, t).ok());
  }

  QTemporaryDir m_dir;
  QString m_path;
  LogCapture m_log;
  Settings m_settings;
  DataFileSlots m_slots;
  TextLog m_textLog;
  Recorder m_recorder{m_slots, m_textLog};
};
