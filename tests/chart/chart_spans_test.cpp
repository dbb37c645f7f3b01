#include "chart/chart_spans.h"

#include <gtest/gtest.h>

#include "chart/fetch_request.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"

namespace {
Date at(const QString& text) {
  const Result<Date> d = dateTimeFromText(text);
  EXPECT_TRUE(d) << text.toStdString();
  return d.valueOr(0);
}
QString shown(Date d) { return formatDate(d, QStringLiteral("yyyy-mm-dd hh:nn:ss")); }
}  // namespace

TEST(ChartSpans, StartIsEndMinusTheSpanAndAStepMovesHalfASpan) {
  struct Row {
    int span;
    const char* end;
    const char* start;
    const char* stepRight;
  } rows[] = {
      {4, "2024-03-31 12:00:00", "2024-03-01 12:00:00", "2024-04-15 12:00:00"},  // 1mo
      {1, "2024-12-31 00:00:00", "2024-01-01 00:00:00", "2025-07-01 12:00:00"},  // 1yr (2024 is a leap year)
      {7, "2024-03-31 12:00:00", "2024-03-31 00:00:00", "2024-03-31 18:00:00"},  // 12h
      {11, "2024-01-01 00:10:00", "2023-12-31 23:40:00", "2024-01-01 00:25:00"}, // 30min across the year
      {14, "2024-03-31 12:00:00", "2024-03-31 11:59:00", "2024-03-31 12:00:30"}, // 1min
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.span);
    const Date end = at(r.end);
    EXPECT_EQ(shown(spanStartTime(end, r.span, 0)), r.start);
    EXPECT_EQ(shown(shiftedEndTime(end, r.span, +1)), r.stepRight);
    EXPECT_EQ(shown(shiftedEndTime(shiftedEndTime(end, r.span, +1), r.span, -1)), r.end);
  }
}

TEST(ChartSpans, AllStartsAtTheFirstRecordAndDoesNotStep) {
  const Date first = at("2023-05-06 07:08:09");
  const Date end = at("2024-03-31 12:00:00");
  for (int outside : {0, -1, 15, 99}) {
    EXPECT_EQ(spanToInterval(outside), 0);
    EXPECT_EQ(spanStartTime(end, outside, first), first);
    EXPECT_EQ(shiftedEndTime(end, outside, +1), end);
  }
}

TEST(ChartSpans, XDivisionsFollowTheSpanList) {
  const int16_t expected[] = {0, 12, 6, 3, 4, 7, 8, 12, 6, 3, 12, 6, 3, 5, 12};
  for (int i = 0; i < 15; ++i) EXPECT_EQ(xDivisionsBySpan(i), expected[i]) << i;
  EXPECT_EQ(xDivisionsBySpan(15), 0);
}

TEST(ChartSpans, SpanStepperStopsAtOneYearAndOneMinute) {
  struct Row {
    int index, position, expected;
  } rows[] = {{1, 0, 1}, {2, 0, 1}, {0, 0, 1}, {14, 2, 14}, {13, 2, 14}, {0, 2, 1}, {5, 1, 5}};
  for (const Row& r : rows) EXPECT_EQ(steppedSpanIndex(r.index, r.position, 15), r.expected) << r.index;
  EXPECT_EQ(steppedSpanIndex(3, 2, 0), 3);  // an empty list does not step
}

TEST(FetchRequest, EachCombinationOfTheThreeBoxes) {
  for (int bits = 0; bits < 8; ++bits) {
    FetchOptions o;
    o.pointMarks = bits & 1;
    o.orthogonalLines = bits & 2;
    o.powerInBackground = bits & 4;
    const QString expected = QString("&m=%1&o=%2&q=%3&v=0")
                                 .arg(bits & 1 ? "1" : "0", bits & 2 ? "1" : "0", bits & 4 ? "3" : "0");
    EXPECT_EQ(fetchRequestString(o), expected) << bits;
  }
}

TEST(FetchRequest, ReferenceTimeIsSentTrimmedAndBlanksSendZero) {
  FetchOptions o;
  o.referenceEndTime = "   ";
  EXPECT_EQ(fetchRequestString(o), "&m=0&o=0&q=0&v=0");
  o.referenceEndTime = "  2024-03-01 12:00:00 ";
  EXPECT_EQ(fetchRequestString(o), "&m=0&o=0&q=0&v=2024-03-01 12:00:00");
  o.referenceEndTime = "-1";
  EXPECT_EQ(fetchRequestString(o), "&m=0&o=0&q=0&v=-1");
}
