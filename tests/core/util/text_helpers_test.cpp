#include "core/util/text_helpers.h"

#include <gtest/gtest.h>

#include "core/util/format_pattern.h"

TEST(TextHelpers, StripCommentCutsAtSemicolonAndCleansControls) {
  const std::pair<const char*, const char*> rows[] = {{"  key=5\t; comment", "key=5"},
                                                      {"; only a comment", ""},
                                                      {"a=\"x;y\"", "a=\"x"},  // also inside quotes
                                                      {"\tkey=1\r", "key=1"},
                                                      {"a\x01z", "a z"}};
  for (const auto& [line, kept] : rows) EXPECT_EQ(stripComment(line), kept) << line;
}

TEST(TextHelpers, CommaAndBlanks) {
  EXPECT_EQ(commaToPoint("1,5,6"), "1.5.6");
  EXPECT_EQ(removeBlanks(QString(" 1 2") + QChar(0xA0) + "3 "), "123");
  EXPECT_EQ(removeBlanks("a\tb"), "a\tb");
}

TEST(TextHelpers, NextTokenQuotesAndBlanks) {
  struct Row {
    const char *text, *token, *rest;
  };
  for (const Row& r : {Row{"\"C:/my dir/x\"  -noini", "C:/my dir/x", "-noini"}, Row{"-noini", "-noini", ""},
                       Row{"\"\" rest", "", "rest"}, Row{"\"open ended", "open ended", ""},
                       Row{"a\tb c", "a\tb", "c"},          // tabs do not separate
                       Row{"\"ab\"cd e", "ab", "cd e"}}) {  // the text after the closing quote stays
    QString t = r.text;
    EXPECT_EQ(nextToken(t), r.token) << r.text;
    EXPECT_EQ(t, r.rest) << r.text;
  }
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
  for (const auto& [text, value] : {std::pair<QString, int32_t>{"0101", 5},
                                    {"1x1", 5},
                                    {"", 0},
                                    {"1" + QString(31, '0'), INT32_MIN},
                                    {"1" + QString(32, '0'), 0}})  // only the last 32 characters count
    EXPECT_EQ(binTextToValue(text), value) << text.toStdString();
}

TEST(TextHelpers, HexDigits) {
  for (const auto& [v, two, four] : {std::tuple<int32_t, const char*, const char*>{10, "0A", "000A"},
                                     {0x12345, "45", "2345"},
                                     {0, "00", "0000"},
                                     {-1, "FF", "FFFF"},
                                     {-2, "FE", "FFFE"}}) {
    EXPECT_EQ(hex2(v), two) << v;
    EXPECT_EQ(hex4(v), four) << v;
  }
  EXPECT_EQ(hex2(300), "2C");
  EXPECT_EQ(bytesToHex(QByteArray("\x01\xff", 2)), "01 FF ");
  EXPECT_EQ(bytesToHex(QString("A")), "41 00 ");
  EXPECT_EQ(bytesToHex(QByteArray()), "");
}

TEST(TextHelpers, EscapeControlsLeavesNoLineBreakOrControl) {
  EXPECT_EQ(escapeControls(QString::fromLatin1("a\r\nb\x1b[1m\x7f\x85\x9f\xa0\xe9\t")),
            QString::fromLatin1("a\\x0D\\x0Ab\\x1B[1m\\x7F\\x85\\x9F\xa0\xe9\\x09"));
}

TEST(DateTimeFromText, CarriesAcceptsTAndRefusesShortOrImpossible) {
  const std::pair<const char*, const char*> rows[] = {
      {"2024-02-30 10:00:00", "2024-03-01 10:00:00"},
      {"2024-02-28T23:59:60", "2024-02-29 00:00:00"},
      {"2024-12-31", "2024-12-31 00:00:00"},
      {"2024-12-31 7", "2024-12-31 07:00:00"},  // hour only
      {"0024-01-05", "2024-01-05 00:00:00"},    // two-digit years map to 2000..2029
      {"abcd-ef-gh", "1999-11-30 00:00:00"},    // no numbers: year 2000, month 0, day 0
      {"2024-02-3", nullptr},
      {"9999-99-01", nullptr}};  // carries beyond 9999
  for (const auto& [text, want] : rows) {
    const Result<Date> r = dateTimeFromText(text);
    EXPECT_EQ(r.ok(), want != nullptr) << text;
    if (want) {
      EXPECT_EQ(formatDate(*r, "yyyy-mm-dd hh:nn:ss"), want) << text;
    } else {
      EXPECT_EQ(r.error(), QStringLiteral("'%1' is not a date and time").arg(text)) << text;
    }
  }
}
