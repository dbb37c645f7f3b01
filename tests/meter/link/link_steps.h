#pragma once
// The steps the link tests take again and again, on top of the link fixture.

#include "tests/meter/link/link_fixture.h"

class LinkTest : public LinkFixture {
 protected:
  // The COM port setting names `n`, and the fake opens only that port.
  void usePort(int n) {
    comPort = int16_t(n);
    port->openablePorts = {n};
  }
  bool goOnLine(bool on = true) { return setOnLine(on); }
  bool open(bool on = true) { return openCom(on); }
  bool loggedPart(const QString& part) const { return log.lines().join('\n').contains(part); }
};
