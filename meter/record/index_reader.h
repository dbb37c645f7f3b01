#pragma once
// Record time stamps of a log data file read through its ".LIX" index (the
// data file's name with its last three characters replaced by "LIX"): record
// n of the index is a 32-bit position of record n's header. Nothing selects a
// log file, so getLogRecordTime answers the zero date.

#include <QString>
#include <cstdint>

#include "core/util/date_value.h"
#include "platform/result.h"

class QFile;

// The part of a record header these routines use.
struct logRecordHeader {
  Date recTime = 0;
};

// The log files and their records, as whoever reads them keeps them (the
// chart keeps one): never given other values by the program.
struct LogFiles {
  int32_t logRecordCount = 0;
  int16_t logSlots[2] = {0, 0};
  QString logFileNames[2];

  Date getLogRecordTime(int32_t n) const;
  // The header of record n of the log file in a slot (logSlots); fails when the
  // slot is unknown, a file does not open or a read falls short.
  Result<logRecordHeader> readLogHeader(int16_t fileSlot, int32_t n) const;
  // The designed routine over readLogHeader: logs a failure and leaves the header
  // as it was.
  void loadLogHeader(int16_t fileSlot, int32_t n, logRecordHeader& header) const;
};
// Reads index record n and the header at the position it gives.
Result<logRecordHeader> readHeaderViaIndex(QFile& dataFile, QFile& indexFile, int32_t n);
// The index file's name for a data file's name.
QString indexFileName(const QString& dataFileName);
