#include "core/text_helpers.h"

#include <gtest/gtest.h>

#include "core/format_pattern.h"

TEST(TextHelpers, StripCommentCutsAtSemicolonAndCleansControls) {
  EXPECT_EQ(stripComment("  key=5\t; comment"), "key=5");
  EXPECT_EQ(stripComment("; only a comment"), "");
  EXPECT_EQ(stripComment("a=\"x;y\""), "a=\"x");  // also inside quotes
  EXPECT_EQ(stripComment("\tkey=1\r"), "key=1");
  EXPECT_EQ(stripComment("a\x01"
                         "b"),
            "a b");
}

TEST(TextHelpers, CommaAndBlanks) {
  EXPECT_EQ(commaToPoint("1,5,6"), "1.5.6");
  EXPECT_EQ(removeBlanks(QString(" 1 2") + QChar(0xA0) + "3 "), "123");
  EXPECT_EQ(removeBlanks("a\tb"), "a\tb");
}

TEST(TextHelpers, NextTokenQuotesAndBlanks) {
  QString t = "\"C:/my dir/x\"  -noini";
  EXPECT_EQ(nextToken(t), "C:/my dir/x");
  EXPECT_EQ(t, "-noini");
  EXPECT_EQ(nextToken(t), "-noini");
  EXPECT_EQ(t, "");
  t = "\"\" rest";
  EXPECT_EQ(nextToken(t), "");
  EXPECT_EQ(t, "rest");
  t = "\"open ended";
  EXPECT_EQ(nextToken(t), "open ended");
  EXPECT_EQ(t, "");
  t = "a\tb c";  // tabs do not separate
  EXPECT_EQ(nextToken(t), "a\tb");
  EXPECT_EQ(t, "c");
  t = "\"ab\"cd e";  // the text after the closing quote stays
  EXPECT_EQ(nextToken(t), "ab");
  EXPECT_EQ(t, "cd e");
}

TEST(TextHelpers, SplitFirstLine) {
  QString t = "one\r\ntwo\r\n";
  EXPECT_EQ(splitFirstLine(t), "one");
  EXPECT_EQ(splitFirstLine(t), "two");
  EXPECT_EQ(t, "");
  t = "a\nb";
  EXPECT_EQ(splitFirstLine(t), "a\nb");
  EXPECT_EQ(t, "");
}

TEST(TextHelpers, FormatRightPadsButNeverCuts) {
  EXPECT_EQ(formatRight(5, "#,0"), "  5");
  EXPECT_EQ(formatRight(12345, "#,0"), "12,345");
  EXPECT_EQ(formatRight(1.5, "###,##0.000"), "      1.500");
}

TEST(TextHelpers, BitsAndBinaryText) {
  EXPECT_EQ(bitsToText(4, 5), "0101");
  EXPECT_EQ(bitsToText(8, 0xA0), "10100000");
  EXPECT_EQ(bitsToText(0, 5), "");
  EXPECT_EQ(bitsToText(32, -1), QString(32, '1'));
  EXPECT_EQ(bitsToText(40, 1).size(), 32);
  EXPECT_EQ(binTextToValue("0101"), 5);
  EXPECT_EQ(binTextToValue("1x1"), 5);
  EXPECT_EQ(binTextToValue(""), 0);
  EXPECT_EQ(binTextToValue("1" + QString(31, '0')), INT32_MIN);
  EXPECT_EQ(binTextToValue("1" + QString(32, '0')), 0);  // only the last 32 characters count
}

TEST(TextHelpers, HexDigits) {
  EXPECT_EQ(hex2(10), "0A");
  EXPECT_EQ(hex2(300), "2C");
  EXPECT_EQ(hex2(0), "00");
  EXPECT_EQ(hex2(-1), "FF");
  EXPECT_EQ(hex4(10), "000A");
  EXPECT_EQ(hex4(0x12345), "2345");
  EXPECT_EQ(hex4(-2), "FFFE");
  EXPECT_EQ(bytesToHex(QByteArray("\x01\xff", 2)), "01 FF ");
  EXPECT_EQ(bytesToHex(QString("A")), "41 00 ");
  EXPECT_EQ(bytesToHex(QByteArray()), "");
}

TEST(TextHelpers, MinMaxSwap) {
  EXPECT_EQ(vMax(2, 3), 3);
  EXPECT_EQ(vMin(2.5, -1.0), -1.0);
  int a = 1, b = 2;
  vSwap(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

TEST(ParseDateTimeText, CarriesAndAcceptsT) {
  Date d = 5;
  ASSERT_TRUE(parseDateTimeText("2024-02-30 10:00:00", d));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd hh:nn:ss"), "2024-03-01 10:00:00");
  ASSERT_TRUE(parseDateTimeText("2024-02-28T23:59:60", d));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd hh:nn:ss"), "2024-02-29 00:00:00");
  ASSERT_TRUE(parseDateTimeText("2024-12-31", d));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd hh:nn:ss"), "2024-12-31 00:00:00");
  ASSERT_TRUE(parseDateTimeText("2024-12-31 7", d));  // 12 characters: the hour only
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd hh:nn:ss"), "2024-12-31 07:00:00");
  ASSERT_TRUE(parseDateTimeText("0024-01-05", d));  // two-digit years map to 2000..2029
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd"), "2024-01-05");
}

TEST(ParseDateTimeText, ShortOrImpossibleGivesFalseAndZero) {
  Date d = 5;
  EXPECT_FALSE(parseDateTimeText("2024-02-3", d));
  EXPECT_EQ(d, 0);
  d = 5;
  EXPECT_FALSE(parseDateTimeText("9999-99-01", d));  // carries beyond 9999
  EXPECT_EQ(d, 0);
  ASSERT_TRUE(parseDateTimeText("abcd-ef-gh", d));  // no numbers: year 2000, month 0, day 0
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd"), "1999-11-30");
}
