#pragma once
// The steps the link tests take again and again, on top of the link fixture.

#include "tests/meter/link/link_fixture.h"

class LinkTest : public LinkFixture {
 protected:
  // The COM port setting names `n`, and the fake opens only that port.
  void usePort(int n) {
    settings.comPort = int16_t(n);
    port->openablePorts = {n};
    apply();
  }
  // The link switches with the fixture's settings.
  bool goOnLine(bool on = true) {
    apply();
    return link.setOnLine(on);
  }
  bool open(bool on = true) {
    apply();
    return link.openCom(on).ok();
  }
  bool online() const { return link.online(); }
  bool loggedPart(const QString& part) const { return log.lines().join('\n').contains(part); }
};
