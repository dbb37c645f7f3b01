#pragma once
// The register after a kill. The text log's last line holds the register as
// it was after one reading; the data file holds every reading, each written
// before its text-log line. Going on from the register of the line means
// adding the readings the data file holds after the one the line logged.

#include <QString>
#include <cstdint>

#include "core/util/date_value.h"
#include "meter/record/data_file_io.h"
#include "meter/record/text_log.h"

// What the readings after the text log's last line added to the register.
struct RecordedEnergy {
  double wh = 0;
  int64_t readings = 0;  // readings after the one the line logged
  Date newest = 0;       // time of the newest one
};

// The readings of the data file after the one the text log's line the
// register goes on from (RegisterLog::from) logged, found by their place in the file:
// - an off-line marker ends a recording period: only readings of a later
//   second follow it (a period recorded without a text log);
// - an on-line marker: every reading of the period it began, from the
//   section that opening the data file prepared for it (dated at the marker);
// - a reading line: the reading of the line's second whose register, counted
//   from the period's on-line marker (or a synchronisation after it), is the
//   line's register; without such a marker, the latest reading of that second.
// - a line dated by a wrong clock (but an on-line marker) is followed by none.
// wsPerCount: the setting, which the sections whose header holds its rounding
// were counted with; own: the header the recorder writes (a torn piece of one
// at the end of the file is no reading).
RecordedEnergy energyRecordedAfter(const QString& dataFileName, const RegisterLog& log, double wsPerCount,
                                   const zavio::OwnHeader& own);
