#include "core/settings/settings_events.h"

SettingsEvents& settingsEvents() {
  static SettingsEvents events;
  return events;
}
