#pragma once
// The live values the pages show: the web server's own copy, set whenever the
// meter has something new. The texts stand for numbers and are formatted when
// a page reads them, so a reading costs the server no formatting.

#include <QString>
#include <cstdint>

#include "core/util/lazy_text.h"

struct LiveValues {
  LazyText strZavEnergy, strZavPower, strZavTemp;  // as the main window shows them
  int32_t lngZavEnergy = 0, lngZavPower = 0, lngZavTemp = 0;  // kWh, W and °C, rounded
  QString zavRecord;  // the latest text-log line with its extra fields (zavData.xml)
};
