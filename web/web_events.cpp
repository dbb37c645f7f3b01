#include "web/web_events.h"

WebEvents& webEvents() {
  static WebEvents events;
  return events;
}
