#pragma once
// A meter link with a fake serial port and a real session behind it: settings at their
// defaults, the data file and text log in a private folder, message boxes answered
// headless, every message captured and every announcement recorded.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/settings/detector_types.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "support/fake_comm_link.h"
#include "support/headless_env.h"
#include "support/log_capture.h"
#include "support/qt_printers.h"
#include "tests/meter/link/link_recorder.h"

class LinkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageLog::setLevel(5);
    link.setWaitDivisorForTests(20);
    Settings& s = settings;
    s.ifType = 2;
    s.comSetting.clear();
    s.ZAVdetectorVer = kNewFrameDetectorVer;
    s.comPort = 0;
    s.prescale = 1;
    s.minUpdateInterval = 0;
    s.ticksPerSec = 1000;
    s.timerType = 2;
    s.advancedFunctions = false;
    s.writeToZAVdataFile = s.writeToZAVtextFile = true;
    s.textFileWriteInterval = 0;
    s.zavDatFileName[0] = m_dir.filePath("pwrData.ZAV");
    s.zavLogFileName = m_dir.filePath("zavLog.TXT");
    s.iniFileName = m_dir.filePath("zav.INI");
    apply();
  }
  void TearDown() override {
    if (link.online()) link.setOnLine(false);
    if (port->portOpen()) port->setPortOpen(false);
  }
  // The session and the link take the fixture's settings.
  void apply() {
    session.setSettings(settings);
    link.setSettings(settings);
  }
  bool logged(const QString& line) const { return log.lines().contains(line); }
  // The power field of every text-log line: -2 on-line, -4 off-line.
  QList<double> logPowers() const;
  bool dataFileOpen() const { return session.recorder().isOpen(); }
  // The lines appended to the settings file.
  QStringList iniLines() const {
    QFile f(settings.iniFileName);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  }

  HeadlessLog log;
  Settings settings;
  MeterSession session;
  FakeCommLink fakePort;
  FakeCommLink* port = &fakePort;
  MeterLink link{session, fakePort};
  LinkRecorder seen{session, link};

 private:
  QTemporaryDir m_dir;
  KeepLogLevel m_savedLevel;
};

inline QList<double> LinkFixture::logPowers() const {
  QFile f(settings.zavLogFileName);
  QList<double> powers;
  if (!f.open(QIODevice::ReadOnly)) return powers;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() >= 4) powers.append(fields.last().toDouble());
  }
  return powers;
}
