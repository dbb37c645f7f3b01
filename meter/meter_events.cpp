#include "meter/meter_events.h"

#include <QMetaMethod>

MeterEvents& meterEvents() {
  static MeterEvents events;
  return events;
}

bool MeterEvents::pulseDetailsWanted() const {
  static const QMetaMethod signal = QMetaMethod::fromSignal(&MeterEvents::pulseDetailsShown);
  return isSignalConnected(signal);
}
