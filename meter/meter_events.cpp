#include "meter/meter_events.h"

MeterEvents& meterEvents() {
  static MeterEvents events;
  return events;
}
