#pragma once
// The one place that turns numbers and dates into display text.

#include <QString>

#include "core/util/date_value.h"

// Number format patterns: "0" digit, "#" optional digit, "." decimal point,
// "," grouping (when between digit placeholders), sections separated by ";"
// (positive;negative;zero), other characters (blanks, "+", quoted text) kept
// literally. Rounds half away from zero. Separators follow the regional settings.
QString formatNumber(double v, const QString& pattern);

// Date patterns: "yyyy", "yy", "mm" (month, or minutes after "hh"/before "ss"),
// "m", "dd", "d", "hh", "h", "nn", "n", "ss", "s"; other characters literal.
QString formatDate(Date d, const QString& pattern);
// The patterns of the program's date and time texts (logs, reports, labels).
inline const QString kDateTimeFormat = QStringLiteral("yyyy-mm-dd hh:nn:ss");
inline const QString kDateFormat = QStringLiteral("yyyy-mm-dd");
inline const QString kTimeFormat = QStringLiteral("hh:nn:ss");
// kDateTimeFormat in the pattern language of QDateTime.
inline const QString kQtDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The general date format: date only when there is no time part,
// time only when there is no date part (day 0), otherwise both.
QString generalDate(Date d);

// A number written "for display with room for its sign": a leading blank for
// zero and positive values, "-" for negative ones; shortest round-trip digits.
QString strSigned(double v);
// The same without the blank.
QString strPlain(double v);
