#pragma once
// A meter session on its own: settings of a new-format controller, on-line, no
// windows and no link, the session's announcements recorded and the web pages'
// live values wired to it as the program wires them.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/settings/detector_types.h"
#include "meter/engine/meter_session.h"
#include "meter/engine/reading_texts.h"
#include "support/log_capture.h"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings& s = m_settings;
    s.ZAVdetectorVer = kNewFrameDetectorVer;
    s.ZAVmeterID = 0;
    s.ticksPerSec = 62500;
    s.WsPerCount = 3600;
    s.ifType = 2;
    s.maxUpdateInterval = 0;
    s.overWriteLast = false;
    apply();
    m_session.setOnline(true);
    MeterSession* session = &m_session;
    QObject::connect(session, &MeterSession::pulseIndicated, session, [this](double, double interval, double) {
      m_counts.push_back(m_session.latestReading().count);
      m_intervals.push_back(interval);
    });
    QObject::connect(session, &MeterSession::readingRecorded, session,
                     [this](const ReadingResult& r) { m_recorded.push_back({r.reading, r.inDataFile}); });
    QObject::connect(session, &MeterSession::readingRecorded, session,
                     [this](const ReadingResult& r) { m_web.takeReading(r); });
    QObject::connect(session, &MeterSession::registerLogged, session,
                     [this](const RegisterRecord& r) { m_web.takeRecord(r); });
  }
  void TearDown() override { setDateClockForTests(nullptr); }
  // The session takes the fixture's settings.
  void apply() { m_session.setSettings(m_settings); }
  // Timer3, the idle countdown: its interval while it runs, -1 while it does not.
  int32_t timer3() const {
    const FormTimer& t = m_session.idleTimer();
    return t.isEnabled() ? t.interval() : -1;
  }

  LogCapture m_log;
  Settings m_settings;
  ReadingTexts m_web;  // the web pages' live values, taken as app/ takes them
  MeterSession m_session;
  struct Recorded {
    Reading reading;
    bool inDataFile;
  };
  std::vector<Recorded> m_recorded;
  std::vector<int32_t> m_counts;  // the latest reading's count when each reading was processed
  std::vector<double> m_intervals;
};
