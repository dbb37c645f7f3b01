#include "plot/url_decode.h"

#include <gtest/gtest.h>

TEST(UrlDecode, PlusIsBlankAndEscapesAreBytes) {
  EXPECT_EQ(urlDecode("a+b%41%"), "a bA%");
  EXPECT_EQ(urlDecode("%23ff0000"), "#ff0000");
  EXPECT_EQ(urlDecode("%2B+"), "+ ");
  EXPECT_EQ(urlDecode("%2b%2F"), "+/");
  const QString e = urlDecode("%C3%A9");
  ASSERT_EQ(e.size(), 2);
  EXPECT_EQ(e[0].unicode(), 195);
  EXPECT_EQ(e[1].unicode(), 169);
}

TEST(UrlDecode, PercentInTheLastTwoPositionsStays) {
  EXPECT_EQ(urlDecode("%4"), "%4");
  EXPECT_EQ(urlDecode("x%4"), "x%4");
  EXPECT_EQ(urlDecode("%"), "%");
  EXPECT_EQ(urlDecode("%41"), "A");
  EXPECT_EQ(urlDecode(""), "");
}

TEST(UrlDecode, ShortEscapesCountTheirLeadingHexDigits) {
  // "%4g" is character 4 and consumes both characters; "%zz" is character 0.
  EXPECT_EQ(urlDecode("%4g12"), QString(QChar(4)) + "12");
  EXPECT_EQ(urlDecode("%zz1"), QString(QChar(0)) + "1");
}
