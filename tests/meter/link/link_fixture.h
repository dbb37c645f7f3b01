#pragma once
// A meter link with a fake serial port and the real engine behind it: settings at their
// defaults, the data file and text log in a private folder, message boxes answered
// headless, every message captured and every announcement recorded.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/settings/detector_types.h"
#include "core/settings/setup_values.h"
#include "meter/engine/frame_parser.h"
#include "meter/engine/meter_state.h"
#include "meter/link/com_search.h"
#include "meter/link/link_state.h"
#include "meter/link/online_state.h"
#include "meter/link/serial_dispatch.h"
#include "meter/link/serial_port.h"
#include "meter/record/data_file.h"
#include "support/fake_comm_link.h"
#include "support/headless_env.h"
#include "support/qt_printers.h"
#include "tests/meter/link/link_recorder.h"

class LinkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedLevel = msgLevel;
    msgLevel = 5;
    port = new FakeCommLink;
    setSerialPort(port);
    setWaitDivisorForTests(20);
    meterOnline = false;
    simulating = false;
    ifType = 2;
    comSetting.clear();
    ZAVdetectorVer = kNewFrameDetectorVer;
    comPort = 0;
    prescale = 1;
    minUpdateInterval = 0;
    ticksPerSec = 1000;
    timerType = 2;
    advancedFunctions = false;
    writeToZAVdataFile = writeToZAVtextFile = true;
    textFileWriteInterval = 0;
    zavDatFileName[0] = m_dir.filePath("pwrData.ZAV");
    zavLogFileName = m_dir.filePath("zavLog.TXT");
    m_savedIni = setupValues().settings().iniFileName;
    setupValues().setHeldText(QLatin1String("iniFileName"), m_dir.filePath("zav.INI"));
    protocolAnalyzerMode = dcdCaptureEnabled = tempReceiverMode = false;
    comSearchActive = detectorAnswered = false;
    openIfType = 0;
    clearComEventCounters(-1);
    resetSerialReceivers();
    pulseCount = 0;  // as before the first receive event
    lastPulseTicks = 0;
    serialFrameReceiver().reset();
  }
  void TearDown() override {
    if (meterOnline) setOnLine(false);
    if (port->portOpen()) port->setPortOpen(false);
    if (zavOutFile > 0) closeOutZavDat();
    setSerialPort(nullptr);
    delete port;
    setWaitDivisorForTests(1);
    meterOnline = false;
    msgLevel = m_savedLevel;
    setupValues().setHeldText(QLatin1String("iniFileName"), m_savedIni);
  }
  bool logged(const QString& line) const { return log.lines().contains(line); }
  // The power field of every text-log line: -2 on-line, -4 off-line.
  QList<double> logPowers() const;
  bool dataFileOpen() const { return zavOutFile > 0; }
  // The lines appended to the settings file.
  QStringList iniLines() const {
    QFile f(setupValues().settings().iniFileName);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  }

  HeadlessLog log;
  LinkRecorder seen;
  FakeCommLink* port = nullptr;

 private:
  QTemporaryDir m_dir;
  int16_t m_savedLevel = 4;
  QString m_savedIni;
};

inline QList<double> LinkFixture::logPowers() const {
  QFile f(zavLogFileName);
  QList<double> powers;
  if (!f.open(QIODevice::ReadOnly)) return powers;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() >= 4) powers.append(fields.last().toDouble());
  }
  return powers;
}
