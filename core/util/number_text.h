#pragma once
// Reading numbers typed by the user, two ways, and integer conversions.

#include <QString>
#include <cstdint>

#include "core/util/date_value.h"
#include "platform/result.h"

// Lenient reading: skips blanks, tabs and line feeds, then reads the leading
// number (sign, digits with one ".", exponent E or D), or "&H"/"&O" digits with
// an optional "&". Stops at the first character that does not fit; no number
// gives 0. Independent of the regional settings. Callers apply removeBlanks and
// commaToPoint first where the rule asks for it.
double val(const QString& text);
// The same, but a number too large for a double reads as plus or minus infinity
// (val gives 0 for it), so a rule can refuse or limit it like any other value out
// of its range.
double valUnbounded(const QString& text);
// True when the text is one number as a program writes it, and nothing else:
// val reads it to its end, or to a last "&" (the Long suffix: "255&",
// "&H80FF&"), and it holds a digit and no blank.
bool isNumberLiteral(const QString& text);

// Conversion by the user's regional settings (QLocale::system()). Fails, with
// the text quoted in the reason, on an empty or non-numeric text and on a value
// outside the target type. Integers round half to even.
Result<double> localeToDouble(const QString& text);
Result<int16_t> localeToInt16(const QString& text);
Result<int32_t> localeToInt32(const QString& text);
Result<Date> localeToDate(const QString& text);  // a date, a time of day or both
QString localeFromDouble(double v);              // general form, at most 15 significant digits

// Round half to even to an integer type; false when out of range (or NaN).
bool roundToInt16(double v, int16_t& out);
bool roundToInt32(double v, int32_t& out);
double roundHalfEven(double v);
