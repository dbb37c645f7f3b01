#pragma once
// The program's date-time value: days since 1899-12-30 00:00 in local wall
// time, the fraction being the time of day. This is the one place that
// converts between it and calendar fields or QDateTime.

#include <QDateTime>
#include <cmath>
#include <cstdint>
#include <functional>

using Date = double;

constexpr int kSecondsPerDay = 86400;
// A Date in whole seconds, rounded to the nearest (for comparing times to the second).
inline int64_t dateSeconds(Date d) { return std::llround(d * kSecondsPerDay); }

// Calendar date from its fields. Months outside 1..12 and days outside the
// month carry into neighbouring months and years, so a caller may step a field
// (month + 1, day - 7) without checking it. A year 0..99 is a two-digit year:
// 0..29 means 2000..2029 and 30..99 means 1930..1999.
// Returns false when the result is outside the representable range (years 100..9999).
bool dateSerial(int year, int month, int day, Date& out);
// Time of day as a fraction of a day; hours, minutes and seconds carry
// (25:00:00 is 1 day + 1 hour, negative values borrow).
double timeSerial(int hour, int minute, int second);

Date dateFromDateTime(const QDateTime& local);
QDateTime dateToDateTime(Date d);  // local time, rounded to the millisecond

// Fields of a Date, its time of day rounded to the nearest second (a time that
// rounds up to 24:00:00 is midnight of the next day).
struct DateParts {
  int year, month, day, hour, minute, second;
};
DateParts dateParts(Date d);

// The present local time in whole seconds ("Now"). Tests may replace the clock.
Date dateNow();
void setDateClockForTests(std::function<QDateTime()> clock);  // nullptr restores the real clock
