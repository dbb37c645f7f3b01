#pragma once
// The live values the web pages read, kept here until the web server keeps
// its own copy: app/ sets them from what the meter session announces. The
// session itself reads and writes none of them.

#include <QString>
#include <cstdint>

#include "core/util/lazy_text.h"
#include "meter/engine/reading_result.h"

// Their texts are formatted when a page reads them.
extern LazyText strZavEnergy, strZavPower, strZavTemp;
extern int32_t lngZavEnergy, lngZavPower, lngZavTemp;
// The latest text-log line with its extra fields, built when it is read.
const QString& zavRecordText();

// The values of a reading, and the latest line of the register.
void showWebLiveValues(const ReadingResult& result);
void showWebRecord(const RegisterRecord& record);
