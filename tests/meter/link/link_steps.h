#pragma once
// The steps the link tests take again and again, on top of the link fixture.

#include "tests/meter/link/link_fixture.h"

class LinkTest : public LinkFixture {
 protected:
  // The port field names `n`, and the fake opens only that port.
  void usePort(int n) {
    host.comPort = QString::number(n);
    port->openablePorts = {n};
  }
  bool goOnLine(bool on = true) {
    setOnLine(on);
    return on;
  }
  bool open(bool on = true) {
    bool ok = false;
    openCom(on, ok);
    return ok;
  }
  bool loggedPart(const QString& part) const { return log.lines().join('\n').contains(part); }
};
