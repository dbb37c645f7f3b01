#pragma once
// The meter's owners as the program makes them, for a window under test: settings values
// (what the windows write a user's picks to), a session and a link on a fake serial port,
// with settings of their own (the program's name "Zav").

#include "core/settings/settings.h"
#include "core/settings/setup_values.h"
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
  SetupValues values;  // made first: the link's listeners may write to it until the link goes
  MeterSession session;
  FakeCommLink port;
  MeterLink link{session, port};
};
