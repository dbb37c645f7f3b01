#pragma once
// The register in the text log: each line written with the reading's raw
// fields kept for the web pages (zavRecordText), and the register read back
// from the last line at start.

#include "core/util/date_value.h"

// Keeps the line and the latest reading's fields for zavRecordText, then
// writes the line into the text log as its interval settings say.
void writeLogLine(Date time, double energyWh, double power);
// Reads the last line of the text log back into the register.
void loadLastLogLine();
