#include "core/settings/settings_events.h"

namespace {
template <class Notifier>
Notifier& one() {
  static Notifier notifier;
  return notifier;
}
}  // namespace

SettingsEvents& settingsEvents() { return one<SettingsEvents>(); }
FileRequests& fileRequests() { return one<FileRequests>(); }
MeterLinkRequests& meterLinkRequests() { return one<MeterLinkRequests>(); }
WebServerRequests& webServerRequests() { return one<WebServerRequests>(); }
