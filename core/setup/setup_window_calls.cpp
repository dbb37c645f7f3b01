#include "core/setup/setup_window_calls.h"

#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"

void showSetupWindow() {
  SetupWindow* w = frmSetup();
  if (!w) return;
  w->show();
  w->raise();
  w->activateWindow();
}

void shutDownProgram() {
  if (setupValues().webServerPort() != 0) emit webServerRequests().webServerStopRequested();
}
