#pragma once
// A meter link with a fake serial port and a recording host, settings at their defaults,
// message boxes answered headless and every message captured.

#include <gtest/gtest.h>

#include "core/globals.h"
#include "tests/meter/link/fake_link_host.h"
#include "meter/link/com_search.h"
#include "meter/link/link_state.h"
#include "meter/window/main_menus.h"
#include "meter/link/online_state.h"
#include "meter/link/serial_dispatch.h"
#include "support/fake_comm_link.h"
#include "support/headless_env.h"
#include "support/qt_printers.h"

class LinkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedLevel = msgLevel;
    msgLevel = 5;
    setLinkHost(&host);
    port = new FakeCommLink;
    setMSComm1(port);
    setWaitDivisorForTests(20);
    meterOnline = false;
    ifType = 2;
    comSetting.clear();
    ZAVdetectorVer = 24840;
    comPort = 0;
    prescale = 1;
    minUpdateInterval = 0;
    ticksPerSec = 1000;
    timerType = 2;
    protocolAnalyzerMode = dcdCaptureEnabled = tempReceiverMode = false;
    comSearchActive = detectorAnswered = false;
    openIfType = 0;
    clearComEventCounters(-1);
    pulseCount = 0;  // as before the first receive event
    clearSerialReceiveBuffers();
    lastPulseTicks = 0;
    host.onSerialData = [](const QByteArray&) {
      if (comSearchActive) stopWaiting(true);
    };
  }
  void TearDown() override {
    if (port->portOpen()) port->setPortOpen(false);
    for (int i = 0; i < 3; ++i) host.setLineBox(i, 0);
    setMSComm1(nullptr);
    delete port;
    setLinkHost(nullptr);
    setWaitDivisorForTests(1);
    meterOnline = false;
    msgLevel = m_savedLevel;
  }
  bool logged(const QString& line) const { return log.lines().contains(line); }

  HeadlessLog log;
  FakeLinkHost host;
  FakeCommLink* port = nullptr;

 private:
  int16_t m_savedLevel = 4;
};
