#pragma once
// A meter session with its text log and data file in a temporary folder of its own.

#include <QTemporaryDir>

#include "tests/meter/engine/engine_fixture.h"

class TextLogFiles : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(m_dir.isValid());
    m_settings.zavLogFileName = m_dir.filePath("zavLog.TXT");
    m_settings.zavDatFileName[0] = m_dir.filePath("pwrData.ZAV");
    m_settings.writeToZAVtextFile = true;
    apply();
  }
  QTemporaryDir m_dir;
};
