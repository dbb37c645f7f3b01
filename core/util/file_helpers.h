#pragma once
// File existence and file times.

#include <QString>
#include <cstdint>

#include "core/util/date_value.h"
#include "platform/result.h"

// True when the path names an existing ordinary file (or, with wildcards in its
// name, when any ordinary file matches). A missing directory shows a warning box
// and gives false; any other failure shows an error box and gives false.
bool fileExists(const QString& path);

// A FILETIME (100 ns units since 1601-01-01, two unsigned halves, low first)
// as a Date, to the whole second.
Date fileTimeToDate(int32_t low, int32_t high);

// Creation, last-access and last-write times of an existing file; UTC unless
// toLocal. Refused when the file cannot be opened or its times cannot be read.
// Where the file system keeps no creation time, the time of the last status
// change stands in for it.
struct FileTimes {
  Date created = 0, accessed = 0, written = 0;
};
Result<FileTimes> fileTimes(const QString& path, bool toLocal);
