#include <gtest/gtest.h>

#include <limits>

#include "core/util/date_value.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"

TEST(FormatNumber, PatternTable) {
  struct Row {
    double value;
    const char *pattern, *want;
  };
  // Grouping, padding, optional digits; halves away from zero as the typed decimal reads
  // (2.675 is stored as 2.67499999..., no "-0.000"); sections, signs and literals (sections
  // without digit places show their literals only, an empty zero section shows nothing); the
  // patterns of the panels and logs.
  // clang-format off
  const Row rows[] = {
      {3600, "#,0", "3,600"}, {0, "#,0", "0"}, {-1234567, "#,0", "-1,234,567"},
      {68719.476736, "#,0.000", "68,719.477"}, {0.0524, "#,0.000", "0.052"},
      {1234.5, "###,##0.000", "1,234.500"}, {0.5, "###,##0.000", "0.500"},
      {1234567.891, "###,##0.000", "1,234,567.891"}, {42, "0000000000", "0000000042"},
      {4294967295.0, "0000000000", "4294967295"}, {7, "00", "07"}, {123, "00", "123"}, {5, "000", "005"},
      {0, "#", ""}, {0.5, "#.##", ".5"}, {12, "#,#", "12"}, {2.5, "0", "3"}, {-2.5, "0", "-3"},
      {2.675, "0.00", "2.68"}, {1.005, "0.00", "1.01"}, {9.9996, "0.000", "10.000"},
      {999.9996, "#,0.000", "1,000.000"}, {-0.0004, "0.000", "0.000"}, {1e-20, "0.00", "0.00"},
      {5, "+0.0;-0.0;0.0", "+5.0"}, {-5, "+0.0;-0.0;0.0", "-5.0"}, {0, "+0.0;-0.0; 0.0", " 0.0"},
      {-5, "0;(0)", "(5)"}, {-5, "0;;zero", "-5"}, {0, "0;;zero", "zero"}, {1, "+;-;", "+"},
      {-1, "+;-;", "-"}, {0, "+;-;", ""}, {0, "# ;# ;\"", ""}, {-3, "# ;# ;\"", "3 "}, {7, " #,0", " 7"},
      {7, "0 W", "7 W"}, {7, "\"n=\"0", "n=7"}, {1.2345678, "#,0.000 000", "1.234 568"},
      {-42, "000000;-00000", "-00042"}, {42, "000000;-00000", "000042"}, {3.14159, "+00.00", "+03.14"},
      {-3.14159, "+00.00", "-+03.14"}, {-7, "+#0;-#0", "-7"}, {1234, "+#,0;-#,0", "+1,234"},
      {0, "+#,0.0;-#,0.0;#,0.0", "0.0"}, {21.46, "#,0.0°C", "21.5°C"}, {2, "#,0.###", "2."},
      {1.5, "#,0.###", "1.5"}, {1234.5, "###,##0.000 \\M", "1,234.500 M"}, {1234, "###,##0 mS", "1,234 mS"},
      {7, " 000", " 007"}, {1234567.5, "#,###,##0.000", "1,234,567.500"}, {0, "#,#", ""},
      {1234567, "#,#", "1,234,567"}, {0.25, "0.0#", "0.25"}, {0.2, "0.0#", "0.2"},
      {12345678, "###,###,##0.000", "12,345,678.000"}};
  // clang-format on
  for (const Row& r : rows)
    EXPECT_EQ(formatNumber(r.value, r.pattern), r.want) << r.value << " " << r.pattern;
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
  struct Row {
    int y, m, d;
    const char* want;
  };
  // clang-format off
  for (const Row& r : {Row{2024, 2, 30, "2024-03-01"}, Row{2024, 13, 1, "2025-01-01"}, Row{2024, 0, 1, "2023-12-01"},
                       Row{2024, 3, 0, "2024-02-29"}, Row{2024, -1, -1, "2023-10-30"}, Row{29, 1, 1, "2029-01-01"},
                       Row{30, 1, 1, "1930-01-01"}, Row{1899, 12, 30, "1899-12-30"}}) {
    // clang-format on
    Date d = -1;
    ASSERT_TRUE(dateSerial(r.y, r.m, r.d, d));
    EXPECT_EQ(formatDate(d, "yyyy-mm-dd"), r.want) << r.y << "-" << r.m << "-" << r.d;
  }
  Date d;
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

TEST(DateValue, DatesBeyondTheCalendarAreHeldToItsEnds) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double date;
    QDateTime shown;
  } rows[] = {{1e184, QDateTime(QDate(9999, 12, 31), QTime(0, 0))},
              {-1.5e184, QDateTime(QDate(100, 1, 1), QTime(0, 0))},
              {inf, QDateTime(QDate(9999, 12, 31), QTime(0, 0))},
              {-inf, QDateTime(QDate(100, 1, 1), QTime(0, 0))},
              {std::numeric_limits<double>::quiet_NaN(), QDateTime(QDate(1899, 12, 30), QTime(0, 0))},
              {2958465.5, QDateTime(QDate(9999, 12, 31), QTime(12, 0))}};
  for (const auto& r : rows) {
    EXPECT_EQ(dateToDateTime(r.date), r.shown) << r.date;
    const DateParts p = dateParts(r.date);
    EXPECT_EQ(QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second)), r.shown) << r.date;
  }
}

TEST(DateValue, NowIsWholeSecondsFromTheTestClock) {
  setDateClockForTests([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 999)); });
  EXPECT_EQ(formatDate(dateNow(), "yyyy-mm-dd hh:nn:ss"), "2026-01-02 03:04:05");
  setDateClockForTests(nullptr);
}

TEST(NumberText, LenientLeadingNumberHexAndOctal) {
  // clang-format off
  const std::pair<const char*, double> rows[] = {
      {"1.5abc", 1.5}, {"  -12.25e2x", -1225}, {"1 2 3", 123}, {"1,5", 1}, {".5", 0.5}, {"+7", 7}, {"abc", 0},
      {"", 0}, {"-", 0}, {"1e999", 0}, {"&H80FFFF&", 0x80FFFF}, {"&HFF", 255}, {"&hff", 255},
      {"&HFFFF", -1},  // short literals are 16-bit
      {"&HFFFF&", 65535}, {"&H80000008", -2147483640.0}, {"&O17", 15}, {"&Hxyz", 0}};
  // clang-format on
  for (const auto& [text, value] : rows) EXPECT_DOUBLE_EQ(val(text), value) << text;
}

// A number literal is what val reads whole, a Long suffix "&" included: a text
// that is one shows the number val gives for it.
TEST(NumberText, aNumberLiteralIsReadWhole) {
  for (const char* text :
       {"255", "-1", "+7", "1.5", "1e3", "1D3", "&HFF00FF", "&h80ff&", "&H8000000F&", "255&", "&O17"})
    EXPECT_TRUE(isNumberLiteral(text)) << text;
  for (const char* text :
       {"", "-", "&H", "&H&", "255&&", "1 2", "255x", "1e", "8;x", "&H1G", "red", "&HFF& "})
    EXPECT_FALSE(isNumberLiteral(text)) << text;
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
  EXPECT_EQ(localeToDouble("").error(), "'' is not a number");
  EXPECT_EQ(localeToDouble("abc").error(), "'abc' is not a number");
  EXPECT_EQ(localeToDouble("12abc").error(), "'12abc' is not a number");
  ASSERT_TRUE(localeToDouble(" 12.5 "));
  EXPECT_EQ(*localeToDouble(" 12.5 "), 12.5);
  ASSERT_TRUE(localeToInt16("2.5"));
  EXPECT_EQ(*localeToInt16("2.5"), 2);
  EXPECT_EQ(localeToInt16("40000").error(), "'40000' does not fit a 16-bit whole number");
  EXPECT_EQ(localeToInt32("3e9").error(), "'3e9' does not fit a 32-bit whole number");
  const Result<Date> t = localeToDate("2024-02-29 10:00:00");
  ASSERT_TRUE(t);
  EXPECT_EQ(formatDate(*t, "yyyy-mm-dd hh:nn:ss"), "2024-02-29 10:00:00");
  EXPECT_EQ(localeToDate("2023-02-29").error(), "'2023-02-29' is not a date or a time of day");
  ASSERT_TRUE(localeToDate("12:30"));
  EXPECT_DOUBLE_EQ(*localeToDate("12:30"), timeSerial(12, 30, 0));
}

TEST(StrSigned, SignPlaceAndPlainForms) {
  // clang-format off
  const std::pair<double, const char*> sign[] = {{0, " 0"}, {5, " 5"}, {-5, "-5"}, {58214, " 58214"}, {0.5, " .5"},
                                                 {-0.5, "-.5"}};
  const std::pair<double, const char*> plain[] = {{0.5, "0.5"}, {1e15, "1E+15"}, {0.00001, "1E-05"}, {0.0001, "0.0001"},
                                                  {1.0 / 3, "0.333333333333333"}, {123456789012345.0, "123456789012345"}};
  // clang-format on
  for (const auto& [v, text] : sign) EXPECT_EQ(strSigned(v), text) << v;
  for (const auto& [v, text] : plain) EXPECT_EQ(strPlain(v), text) << v;
}

namespace {
// Built before main() runs, as a namespace constant in another file would be.
const Date kStaticDate = [] {
  Date d = 0;
  dateSerial(2024, 1, 2, d);
  return d;
}();
}  // namespace

TEST(DateValue, BuildsDuringStaticInitialisation) {
  EXPECT_EQ(formatDate(kStaticDate, "yyyy-mm-dd"), "2024-01-02");
}
