#include "core/setup/setup_window_calls.h"

#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"

void showSetupWindow(SetupWindow& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

void shutDownProgram(const SetupValues& values) {
  if (values.webServerPort() != 0) emit webServerRequests().webServerStopRequested();
}
