#pragma once
// The meter's owners as the program makes them, for a window under test: a session and
// a link on a fake serial port, with settings of their own (the program's name "Zav").

#include "core/settings/settings.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "support/fake_comm_link.h"

struct MeterOwners {
  MeterOwners() {
    settings.appName = QStringLiteral("Zav");
    apply();
  }
  // The session and the link take the settings.
  void apply() {
    session.setSettings(settings);
    link.setSettings(settings);
  }

  Settings settings;
  MeterSession session;
  FakeCommLink port;
  MeterLink link{session, port};
};

// The owners the program's wiring (connectSubsystems) connects, made once for a test
// process and kept to its end, as the program keeps them.
inline MeterOwners& wiredMeterOwners() {
  static auto* owners = new MeterOwners;
  return *owners;
}
