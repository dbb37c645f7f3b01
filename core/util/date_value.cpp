#include "core/util/date_value.h"

#include <algorithm>
#include <cmath>

namespace {
// A function, not a namespace constant: dates may be built during static initialisation.
QDate epoch() { return QDate(1899, 12, 30); }
std::function<QDateTime()> g_clock;
// Whole days of a date, held to the years 100..9999 (a date read from a damaged file may be anything).
double wholeDays(Date d) { return std::isnan(d) ? 0 : std::clamp(std::trunc(d), -657434.0, 2958465.0); }
}  // namespace

bool dateSerial(int year, int month, int day, Date& out) {
  if (year >= 0 && year <= 29)
    year += 2000;
  else if (year >= 30 && year <= 99)
    year += 1900;
  // Months carry into years, then days carry from the first of the month.
  long long m0 = static_cast<long long>(month) - 1;
  long long y = year + (m0 >= 0 ? m0 / 12 : -((-m0 + 11) / 12));
  long long m = m0 - (y - year) * 12 + 1;
  if (y < 100 || y > 9999) return false;
  const QDate first(static_cast<int>(y), static_cast<int>(m), 1);
  const double days = static_cast<double>(epoch().daysTo(first)) + (static_cast<double>(day) - 1);
  const QDate result = epoch().addDays(static_cast<qint64>(days));
  if (!result.isValid() || result.year() < 100 || result.year() > 9999) return false;
  out = days;
  return true;
}

double timeSerial(int hour, int minute, int second) {
  return (static_cast<double>(hour) * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
}

Date dateFromDateTime(const QDateTime& local) {
  const double days = static_cast<double>(epoch().daysTo(local.date()));
  const double frac = local.time().msecsSinceStartOfDay() / (kSecondsPerDay * 1000.0);
  // Before the epoch the fraction still counts forward from midnight.
  return days >= 0 ? days + frac : days - frac;
}

QDateTime dateToDateTime(Date d) {
  const double whole = wholeDays(d);
  const double frac = std::isfinite(d) ? std::fabs(d - std::trunc(d)) : 0;
  qint64 ms = std::llround(frac * (kSecondsPerDay * 1000.0));
  QDate date = epoch().addDays(static_cast<qint64>(whole));
  if (ms >= kSecondsPerDay * 1000) {
    ms -= kSecondsPerDay * 1000;
    date = date.addDays(1);  // the time of day runs forward also before the epoch
  }
  return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

DateParts dateParts(Date d) {
  const double whole = wholeDays(d);
  const double frac = std::isfinite(d) ? std::fabs(d - std::trunc(d)) : 0;
  long long secs = std::llround(frac * kSecondsPerDay);
  QDate date = epoch().addDays(static_cast<qint64>(whole));
  if (secs >= kSecondsPerDay) {
    secs -= kSecondsPerDay;
    date = date.addDays(1);  // the time of day runs forward also before the epoch
  }
  return {.year = date.year(),
          .month = date.month(),
          .day = date.day(),
          .hour = int(secs / 3600),
          .minute = int(secs / 60 % 60),
          .second = int(secs % 60)};
}

Date dateNow() {
  const QDateTime now = g_clock ? g_clock() : QDateTime::currentDateTime();
  // Whole seconds, without building a second local date-time (each one asks the time zone again).
  const QTime t = now.time();
  return static_cast<double>(epoch().daysTo(now.date())) + timeSerial(t.hour(), t.minute(), t.second());
}

void setDateClockForTests(std::function<QDateTime()> clock) { g_clock = std::move(clock); }
