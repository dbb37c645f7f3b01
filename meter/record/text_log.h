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

// The power of the event lines.
constexpr double kSyncMarker = -1;     // the meter synchronisation set the register
constexpr double kOnlineMarker = -2;   // going on-line: a recording period begins
constexpr double kOfflineMarker = -4;  // going off-line: the period ends

// A line of the text log read back.
struct LogLine {
  QString when;  // "yyyy-mm-dd hh:nn:ss" as written
  Date time = 0;
  double energyWh = 0;
  double power = 0;  // W, or the event's marker
};
// The text log's last line and, above it within its recording period, the
// on-line marker that began the period and the latest synchronisation after
// that marker: what the register of the last line was built from.
struct RegisterLog {
  LogLine last;
  std::optional<LogLine> online;
  std::optional<LogLine> sync;
};
// Empty when there is no text log or its last line is not one of ours.
std::optional<RegisterLog> readRegisterLog();
// Takes the exclusive lock on the text log (kept while the program writes it);
// false with the reason when another program holds it. True without a text log.
bool lockTextLog(QString& why);
// Forgets the interval state (start of the program).
void resetTextLogState();
