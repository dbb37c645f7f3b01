#include <gtest/gtest.h>

#include "core/date_value.h"
#include "core/format_pattern.h"
#include "core/number_text.h"

TEST(FormatNumber, GroupsAndPads) {
  EXPECT_EQ(formatNumber(3600, "#,0"), "3,600");
  EXPECT_EQ(formatNumber(68719.476736, "#,0.000"), "68,719.477");
  EXPECT_EQ(formatNumber(42, "0000000000"), "0000000042");
  EXPECT_EQ(formatNumber(0.0524, "#,0.000"), "0.052");
}

TEST(DateValue, CarriesInvalidDays) {
  Date d;
  ASSERT_TRUE(dateSerial(2024, 2, 30, d));
  EXPECT_EQ(formatDate(d + timeSerial(10, 0, 0), "yyyy-mm-dd hh:nn:ss"), "2024-03-01 10:00:00");
}

TEST(NumberText, LenientLeadingNumber) {
  EXPECT_DOUBLE_EQ(val("1.5abc"), 1.5);
  EXPECT_DOUBLE_EQ(val("&H80FFFF&"), 0x80FFFF);
  EXPECT_DOUBLE_EQ(val("abc"), 0);
}
