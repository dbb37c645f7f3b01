#pragma once
// A meter engine with its text log and data file in a temporary folder of its own.

#include <QTemporaryDir>

#include "tests/meter/engine/engine_fixture.h"

class TextLogFiles : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(m_dir.isValid());
    zavLogFileName = m_dir.filePath("zavLog.TXT");
    zavDatFileName[0] = m_dir.filePath("pwrData.ZAV");
    writeToZAVtextFile = true;
  }
  QTemporaryDir m_dir;
};
