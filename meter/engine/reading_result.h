#pragma once
// What the meter session announces of its work: the result of one reading, and
// the register as the text log logged it with the raw fields of the reading
// beside it. Values, so a listener keeps its own copy.

#include <QMetaType>
#include <QString>
#include <cstdint>

#include "core/util/date_value.h"
#include "meter/record/reading.h"
#include "meter/record/zav_format.h"

struct ReadingResult {
  Reading reading;
  Date time = 0;                        // when it was processed: its data-file record's time
  bool inDataFile = false;              // its record reached the data file
  double energyWh = 0;                  // the register after it
  double secondsPerCount = 0;           // 0: no new count
  double powerW = 0;                    // the power shown after it (of the last valid rate)
  float temperature = kNoTemperature;   // °C of its sensor, kNoTemperature for none
  int64_t totalCounts = 0;              // counts since going on-line
  double pulseWidth = 0;                // seconds the pulse was low (plain pulse device)
  bool startsPeriod = false;            // the first reading since going on-line
  bool writeFailed = false;             // a data file was open and its write failed (it is closed)
};

// A line of the register in the text log (also while the text log is off), with
// the raw fields of the latest reading.
struct RegisterRecord {
  Date time = 0;
  double energyWh = 0;
  double power = 0;  // W, or an event's marker
  int16_t temperature = 0, voltage = 0, status = 0;
  int32_t resetCount = 0;
};
// The text-log line with the fields: "... 000080 -00003 000018 000002".
QString registerRecordText(const RegisterRecord& record);

Q_DECLARE_METATYPE(ReadingResult)
Q_DECLARE_METATYPE(RegisterRecord)
