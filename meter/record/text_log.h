#pragma once
// The periodic text log: one fixed-width line per interval with the time,
// the register in Wh and the power in W (negative power marks an event:
// -1 meter synchronisation, -2 on-line, -4 off-line).

#include <QString>
#include <cstdint>
#include <optional>

#include "core/util/date_value.h"

// Minutes of each textFileWriteInterval selector (0 = "OFF").
int textLogIntervalMinutes(int16_t selector);

// "yyyy-mm-dd hh:nn:ss EEEEEEEEEE PPPPPPPP" (39 characters for a register below 10^10).
QString textLogLine(Date time, double energyWh, double power);

// Appends the line, overwrites the last line this run appended, or writes
// nothing, as the interval settings say.
void writeTextLogLine(Date time, double energyWh, double power);

// The last line of the text log, when it is one of ours.
struct LastLogLine {
  QString when;  // "yyyy-mm-dd hh:nn:ss" as written
  Date time = 0;
  double energyWh = 0;
  bool onlineMarker = false;  // the line marks going on-line (power -2)
};
std::optional<LastLogLine> readLastLogLine();
// Takes the exclusive lock on the text log (kept while the program writes it);
// false with the reason when another program holds it. True without a text log.
bool lockTextLog(QString& why);
// Forgets the interval state (start of the program).
void resetTextLogState();
