#include <gtest/gtest.h>

#include "core/date_value.h"
#include "core/format_pattern.h"
#include "core/number_text.h"

TEST(FormatNumber, GroupsAndPads) {
  EXPECT_EQ(formatNumber(3600, "#,0"), "3,600");
  EXPECT_EQ(formatNumber(0, "#,0"), "0");
  EXPECT_EQ(formatNumber(-1234567, "#,0"), "-1,234,567");
  EXPECT_EQ(formatNumber(68719.476736, "#,0.000"), "68,719.477");
  EXPECT_EQ(formatNumber(0.0524, "#,0.000"), "0.052");
  EXPECT_EQ(formatNumber(1234.5, "###,##0.000"), "1,234.500");
  EXPECT_EQ(formatNumber(0.5, "###,##0.000"), "0.500");
  EXPECT_EQ(formatNumber(1234567.891, "###,##0.000"), "1,234,567.891");
  EXPECT_EQ(formatNumber(42, "0000000000"), "0000000042");
  EXPECT_EQ(formatNumber(4294967295.0, "0000000000"), "4294967295");
  EXPECT_EQ(formatNumber(7, "00"), "07");
  EXPECT_EQ(formatNumber(123, "00"), "123");
  EXPECT_EQ(formatNumber(5, "000"), "005");
  EXPECT_EQ(formatNumber(0, "#"), "");
  EXPECT_EQ(formatNumber(0.5, "#.##"), ".5");
  EXPECT_EQ(formatNumber(12, "#,#"), "12");
}

TEST(FormatNumber, RoundsHalfAwayFromZeroAsTyped) {
  EXPECT_EQ(formatNumber(2.5, "0"), "3");
  EXPECT_EQ(formatNumber(-2.5, "0"), "-3");
  EXPECT_EQ(formatNumber(2.675, "0.00"), "2.68");  // stored as 2.67499999...
  EXPECT_EQ(formatNumber(1.005, "0.00"), "1.01");
  EXPECT_EQ(formatNumber(9.9996, "0.000"), "10.000");
  EXPECT_EQ(formatNumber(999.9996, "#,0.000"), "1,000.000");
  EXPECT_EQ(formatNumber(-0.0004, "0.000"), "0.000");  // no "-0.000"
  EXPECT_EQ(formatNumber(1e-20, "0.00"), "0.00");
}

TEST(FormatNumber, SectionsSignsAndLiteralBlanks) {
  EXPECT_EQ(formatNumber(5, "+0.0;-0.0;0.0"), "+5.0");
  EXPECT_EQ(formatNumber(-5, "+0.0;-0.0;0.0"), "-5.0");
  EXPECT_EQ(formatNumber(0, "+0.0;-0.0; 0.0"), " 0.0");
  EXPECT_EQ(formatNumber(-5, "0;(0)"), "(5)");
  EXPECT_EQ(formatNumber(-5, "0;;zero"), "-5");  // empty section falls back to the first
  EXPECT_EQ(formatNumber(0, "0;;zero"), "zero");
  // Sections without digit places show their literals only; an empty zero section shows nothing.
  EXPECT_EQ(formatNumber(1, "+;-;"), "+");
  EXPECT_EQ(formatNumber(-1, "+;-;"), "-");
  EXPECT_EQ(formatNumber(0, "+;-;"), "");
  EXPECT_EQ(formatNumber(0, "# ;# ;\""), "");
  EXPECT_EQ(formatNumber(-3, "# ;# ;\""), "3 ");
  EXPECT_EQ(formatNumber(7, " #,0"), " 7");
  EXPECT_EQ(formatNumber(7, "0 W"), "7 W");
  EXPECT_EQ(formatNumber(7, "\"n=\"0"), "n=7");
}

TEST(FormatDate, PatternsAndMinutesVersusMonths) {
  Date d;
  ASSERT_TRUE(dateSerial(2026, 3, 4, d));
  d += timeSerial(5, 6, 7);
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd hh:nn:ss"), "2026-03-04 05:06:07");
  EXPECT_EQ(formatDate(d, "hh:mm:ss"), "05:06:07");
  EXPECT_EQ(formatDate(d, "d.m.yy"), "4.3.26");
  EXPECT_EQ(generalDate(d), "2026-03-04 05:06:07");
  EXPECT_EQ(generalDate(std::floor(d)), "2026-03-04");
  EXPECT_EQ(generalDate(timeSerial(5, 6, 7)), "05:06:07");
  // Before the epoch the day is the whole part and the time still runs forward to the next day.
  EXPECT_EQ(formatDate(-1.99999999, "yyyy-mm-dd hh:nn:ss"), "1899-12-30 00:00:00");
  EXPECT_EQ(dateToDateTime(-1.9999999999).date(), QDate(1899, 12, 30));
}

TEST(DateValue, CarriesInvalidDaysMonthsAndTwoDigitYears) {
  Date d;
  ASSERT_TRUE(dateSerial(2024, 2, 30, d));
  EXPECT_EQ(formatDate(d + timeSerial(10, 0, 0), "yyyy-mm-dd hh:nn:ss"), "2024-03-01 10:00:00");
  ASSERT_TRUE(dateSerial(2024, 13, 1, d));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd"), "2025-01-01");
  ASSERT_TRUE(dateSerial(2024, 0, 1, d));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd"), "2023-12-01");
  ASSERT_TRUE(dateSerial(2024, 3, 0, d));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd"), "2024-02-29");
  ASSERT_TRUE(dateSerial(2024, -1, -1, d));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd"), "2023-10-30");
  ASSERT_TRUE(dateSerial(29, 1, 1, d));
  EXPECT_EQ(dateParts(d).year, 2029);
  ASSERT_TRUE(dateSerial(30, 1, 1, d));
  EXPECT_EQ(dateParts(d).year, 1930);
  ASSERT_TRUE(dateSerial(1899, 12, 30, d));
  EXPECT_EQ(d, 0);
  EXPECT_FALSE(dateSerial(10000, 1, 1, d));
  EXPECT_DOUBLE_EQ(timeSerial(25, 0, 0), 1 + 1.0 / 24);
  EXPECT_DOUBLE_EQ(timeSerial(0, -1, 0), -1.0 / 1440);
}

TEST(DateValue, RoundTripsQDateTimeBeforeAndAfterTheEpoch) {
  const QDateTime t(QDate(2026, 12, 7), QTime(8, 17, 19));
  EXPECT_EQ(dateToDateTime(dateFromDateTime(t)), t);
  const QDateTime before(QDate(1899, 12, 29), QTime(6, 0));
  EXPECT_DOUBLE_EQ(dateFromDateTime(before), -1.25);
  EXPECT_EQ(dateToDateTime(-1.25), before);
  // 23:59:59.6 shows as the next day's midnight when rounded to seconds.
  const DateParts p = dateParts(dateFromDateTime(QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59, 600))));
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.hour, 0);
}

TEST(DateValue, NowIsWholeSecondsFromTheTestClock) {
  setDateClockForTests([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 999)); });
  EXPECT_EQ(formatDate(dateNow(), "yyyy-mm-dd hh:nn:ss"), "2026-01-02 03:04:05");
  setDateClockForTests(nullptr);
}

TEST(NumberText, LenientLeadingNumber) {
  EXPECT_DOUBLE_EQ(val("1.5abc"), 1.5);
  EXPECT_DOUBLE_EQ(val("  -12.25e2x"), -1225);
  EXPECT_DOUBLE_EQ(val("1 2 3"), 123);
  EXPECT_DOUBLE_EQ(val("1,5"), 1);
  EXPECT_DOUBLE_EQ(val(".5"), 0.5);
  EXPECT_DOUBLE_EQ(val("+7"), 7);
  EXPECT_DOUBLE_EQ(val("abc"), 0);
  EXPECT_DOUBLE_EQ(val(""), 0);
  EXPECT_DOUBLE_EQ(val("-"), 0);
  EXPECT_DOUBLE_EQ(val("1e999"), 0);
}

TEST(NumberText, HexAndOctalLiterals) {
  EXPECT_DOUBLE_EQ(val("&H80FFFF&"), 0x80FFFF);
  EXPECT_DOUBLE_EQ(val("&HFF"), 255);
  EXPECT_DOUBLE_EQ(val("&hff"), 255);
  EXPECT_DOUBLE_EQ(val("&HFFFF"), -1);  // short literals are 16-bit
  EXPECT_DOUBLE_EQ(val("&HFFFF&"), 65535);
  EXPECT_DOUBLE_EQ(val("&H80000008"), -2147483640.0);
  EXPECT_DOUBLE_EQ(val("&O17"), 15);
  EXPECT_DOUBLE_EQ(val("&Hxyz"), 0);
}

TEST(NumberText, HalvesGoToEven) {
  int16_t s = 0;
  ASSERT_TRUE(roundToInt16(2.5, s));
  EXPECT_EQ(s, 2);
  ASSERT_TRUE(roundToInt16(3.5, s));
  EXPECT_EQ(s, 4);
  ASSERT_TRUE(roundToInt16(-2.5, s));
  EXPECT_EQ(s, -2);
  EXPECT_FALSE(roundToInt16(32767.5, s));  // rounds to 32768
  ASSERT_TRUE(roundToInt16(-32768.4, s));
  EXPECT_EQ(s, -32768);
  int32_t l = 0;
  EXPECT_FALSE(roundToInt32(2147483647.5, l));
  EXPECT_FALSE(roundToInt32(std::nan(""), l));
  ASSERT_TRUE(roundToInt32(0.5, l));
  EXPECT_EQ(l, 0);
}

TEST(NumberText, RegionalConversionRejectsEmptyAndJunk) {
  double d = 9;
  EXPECT_FALSE(localeToDouble("", d));
  EXPECT_FALSE(localeToDouble("abc", d));
  EXPECT_FALSE(localeToDouble("12abc", d));
  EXPECT_EQ(d, 9);
  ASSERT_TRUE(localeToDouble(" 12.5 ", d));
  EXPECT_EQ(d, 12.5);
  int16_t s = 0;
  ASSERT_TRUE(localeToInt16("2.5", s));
  EXPECT_EQ(s, 2);
  EXPECT_FALSE(localeToInt16("40000", s));
  Date t = 0;
  ASSERT_TRUE(localeToDate("2024-02-29 10:00:00", t));
  EXPECT_EQ(formatDate(t, "yyyy-mm-dd hh:nn:ss"), "2024-02-29 10:00:00");
  EXPECT_FALSE(localeToDate("2023-02-29", t));
  ASSERT_TRUE(localeToDate("12:30", t));
  EXPECT_DOUBLE_EQ(t, timeSerial(12, 30, 0));
}

TEST(StrSigned, SignPlaceAndPlainForms) {
  EXPECT_EQ(strSigned(0), " 0");
  EXPECT_EQ(strSigned(5), " 5");
  EXPECT_EQ(strSigned(-5), "-5");
  EXPECT_EQ(strSigned(58214), " 58214");
  EXPECT_EQ(strSigned(0.5), " .5");
  EXPECT_EQ(strSigned(-0.5), "-.5");
  EXPECT_EQ(strPlain(0.5), "0.5");
  EXPECT_EQ(strPlain(1e15), "1E+15");
  EXPECT_EQ(strPlain(0.00001), "1E-05");
  EXPECT_EQ(strPlain(0.0001), "0.0001");
  EXPECT_EQ(strPlain(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(strPlain(123456789012345.0), "123456789012345");
}

TEST(FormatNumber, PatternsThePanelsAndLogsUse) {
  EXPECT_EQ(formatNumber(1.2345678, "#,0.000 000"), "1.234 568");
  EXPECT_EQ(formatNumber(-42, "000000;-00000"), "-00042");
  EXPECT_EQ(formatNumber(42, "000000;-00000"), "000042");
  EXPECT_EQ(formatNumber(3.14159, "+00.00"), "+03.14");
  EXPECT_EQ(formatNumber(-3.14159, "+00.00"), "-+03.14");
  EXPECT_EQ(formatNumber(-7, "+#0;-#0"), "-7");
  EXPECT_EQ(formatNumber(1234, "+#,0;-#,0"), "+1,234");
  EXPECT_EQ(formatNumber(0, "+#,0.0;-#,0.0;#,0.0"), "0.0");
  EXPECT_EQ(formatNumber(21.46, "#,0.0°C"), "21.5°C");
  EXPECT_EQ(formatNumber(2, "#,0.###"), "2.");
  EXPECT_EQ(formatNumber(1.5, "#,0.###"), "1.5");
  EXPECT_EQ(formatNumber(1234.5, "###,##0.000 \\M"), "1,234.500 M");
  EXPECT_EQ(formatNumber(1234, "###,##0 mS"), "1,234 mS");
  EXPECT_EQ(formatNumber(7, " 000"), " 007");
  EXPECT_EQ(formatNumber(1234567.5, "#,###,##0.000"), "1,234,567.500");
  EXPECT_EQ(formatNumber(0, "#,#"), "");
  EXPECT_EQ(formatNumber(1234567, "#,#"), "1,234,567");
  EXPECT_EQ(formatNumber(0.25, "0.0#"), "0.25");
  EXPECT_EQ(formatNumber(0.2, "0.0#"), "0.2");
  EXPECT_EQ(formatNumber(12345678, "###,###,##0.000"), "12,345,678.000");
}

namespace {
// Built before main() runs, as a namespace constant in another file would be.
const Date kStaticDate = [] {
  Date d = 0;
  dateSerial(2024, 1, 2, d);
  return d;
}();
}  // namespace

TEST(DateValue, BuildsDuringStaticInitialisation) { EXPECT_EQ(formatDate(kStaticDate, "yyyy-mm-dd"), "2024-01-02"); }
