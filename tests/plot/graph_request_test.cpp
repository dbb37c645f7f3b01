#include "plot/graph_request.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include "core/settings/setup_values.h"
#include "meter/record/data_file.h"
#include "plot_log.h"
#include "zav_test_file.h"

namespace {
class GraphRequest : public ::testing::Test {
 protected:
  void SetUp() override {
    testDataFileSlots()[0].firstRecordTime = testTime(2024, 1, 1);
    testDataFileSlots()[0].lastRecordTime = testTime(2024, 5, 1, 12);
    defaults();
  }
  // The defaults from these settings and the plotted slot's first and last record.
  void defaults() {
    Settings settings;
    settings.maxMeterPower = maxMeterPower;
    settings.plotWidth = plotWidth;
    settings.plotHeight = plotHeight;
    const dataFileIndex& plotted = dataFileSlots[plotFileSlot];
    setWebGraphDefaults(m_p, settings, plotted.firstRecordTime, plotted.lastRecordTime);
  }
  void TearDown() override { setDateClockForTests(nullptr); }
  int32_t item(const QString& key, const QString& value) {
    return parseGraphItem(key + "=\"" + value + "\"", m_p);
  }

  // The settings' values and the plotted slot the defaults come from.
  DataFileSlots& testDataFileSlots() { return m_slots; }
  double maxMeterPower = 40000;
  int16_t plotFileSlot = 0;
  int32_t plotWidth = 600, plotHeight = 400;
  DataFileSlots m_slots;
  const DataFileSlots& dataFileSlots = m_slots;
  plotParamRecord m_p;
};
}  // namespace

TEST_F(GraphRequest, DefaultsComeFromTheSettingsAndThePlottedSlot) {
  EXPECT_EQ(m_p.width, 600);
  EXPECT_EQ(m_p.height, 400);
  EXPECT_FLOAT_EQ(m_p.y1ScaleMax, 40000);
  EXPECT_DOUBLE_EQ(m_p.fromTime, testTime(2024, 1, 1));
  EXPECT_DOUBLE_EQ(m_p.toTime, testTime(2024, 5, 1, 12));

  // Small sizes are raised to 100; the power scale is kept within 8..200000.
  plotWidth = 50;
  plotHeight = -1;
  maxMeterPower = 1e6;
  testDataFileSlots()[1].lastRecordTime = testTime(2023, 2, 3);
  plotFileSlot = 1;
  defaults();
  EXPECT_EQ(m_p.width, 100);
  EXPECT_EQ(m_p.height, 100);
  EXPECT_FLOAT_EQ(m_p.y1ScaleMax, 200000);
  EXPECT_DOUBLE_EQ(m_p.toTime, testTime(2023, 2, 3));
  maxMeterPower = 2;
  defaults();
  EXPECT_FLOAT_EQ(m_p.y1ScaleMax, 8);
}

TEST_F(GraphRequest, PlotSizeFromTheSettingsWithoutASetupWindow) {
  SetupValues values;
  values.setText("Text1(25)", "800");
  values.setText("Text1(26)", "300");
  setWebGraphDefaults(m_p, values.settings());
  EXPECT_EQ(m_p.width, 800);
  EXPECT_EQ(m_p.height, 300);
  values.setText("Text1(26)", "abc");  // no number: the size stays
  setWebGraphDefaults(m_p, values.settings());
  EXPECT_EQ(m_p.height, 300);
  values.setText("Text1(25)", "600");
  values.setText("Text1(26)", "400");
}

TEST_F(GraphRequest, SpanWithDefaultEndCountsBackFromTheNewestRecord) {
  EXPECT_EQ(item("r", "24h") | item("w", "640") | item("h", "400"), 6);
  defaults();
  parseGraphQuery(m_p, "r=24h&w=640&h=400");
  EXPECT_DOUBLE_EQ(m_p.toTime, testTime(2024, 5, 1, 12));
  EXPECT_NEAR(m_p.fromTime, testTime(2024, 4, 30, 12), 1e-9);
  EXPECT_EQ(m_p.width, 640);
  EXPECT_EQ(m_p.height, 400);
}

TEST_F(GraphRequest, SpanTableNamesAndNumbers) {
  const struct {
    const char* value;
    int index;
  } rows[] = {{"R=1D", 6},   {"r=6", 6},     {"r=abc", 0},  {"r=all", 0},   {"r=52w", 1},   {"r=180d", 2},
              {"r=3m", 3},   {"r=1m", 4},    {"r=7d", 5},   {"r=24:", 6},   {"r=12:0", 7},  {"r=6:", 8},
              {"r=03:0", 9}, {"r=1:00", 10}, {"r=:30", 11}, {"r=0:15", 12}, {"r=00:5", 13}, {"r= :1 ", 14}};
  for (const auto& row : rows) {
    defaults();
    m_p.spanIndex = 3;
    const QString text(row.value);
    const qsizetype eq = text.indexOf('=');
    EXPECT_EQ(item(text.left(eq), text.mid(eq + 1).trimmed()), kGraphSpanSet) << row.value;
    EXPECT_EQ(m_p.spanIndex, row.index) << row.value;
  }
  // Out of range: flag 1, nothing changes, nothing logged.
  HeadlessLog log;
  m_p.spanIndex = 3;
  EXPECT_EQ(item("r", "20"), kGraphItemRejected);
  EXPECT_EQ(item("r", "-1"), kGraphItemRejected);
  EXPECT_EQ(item("r", "1e10"), kGraphItemRejected);
  EXPECT_EQ(m_p.spanIndex, 3);
  EXPECT_TRUE(loggedLines(log).isEmpty());

  EXPECT_EQ(spanName(0), "ALL");
  EXPECT_EQ(spanName(14), "1min");
  EXPECT_EQ(spanLengthText(8), "06:00");
  EXPECT_DOUBLE_EQ(spanLength(1), 365);
  EXPECT_DOUBLE_EQ(spanLength(7), 0.5);
  EXPECT_DOUBLE_EQ(spanLength(14), 1.0 / 1440);
}

TEST_F(GraphRequest, ScalesAndTemperatureOff) {
  parseGraphQuery(m_p, "t=off");
  EXPECT_FLOAT_EQ(m_p.y2ScaleMin, 0);
  EXPECT_FLOAT_EQ(m_p.y2ScaleMax, kNoTemperatureScale);
  parseGraphQuery(m_p, "t=-10,40&p=5000");
  EXPECT_FLOAT_EQ(m_p.y2ScaleMin, -10);
  EXPECT_FLOAT_EQ(m_p.y2ScaleMax, 40);
  EXPECT_FLOAT_EQ(m_p.y1ScaleMin, 0);
  EXPECT_FLOAT_EQ(m_p.y1ScaleMax, 5000);
  parseGraphQuery(m_p, "p=100,2000&T=OFF");
  EXPECT_FLOAT_EQ(m_p.y1ScaleMin, 100);
  EXPECT_FLOAT_EQ(m_p.y1ScaleMax, 2000);
  EXPECT_FLOAT_EQ(m_p.y2ScaleMax, kNoTemperatureScale);
}

TEST_F(GraphRequest, ColoursInEveryForm) {
  const struct {
    const char* text;
    int kind;
    int32_t colour;  // 7: left alone
  } rows[] = {
      {"", kCssColorNone, 7},
      {" transparent ", kCssColorTransparent, -1},
      {"#ff0000", kCssColorHash, 0x0000FF},
      {"#12345", kCssColorNone, 7},
      {"00ff80", kCssColorHex, 0x80FF00},
      {"RGB(0, 128, 255)", kCssColorRgb, 0xFF8000},
      {"rgb(1,2)", kCssColorNone, 7},
      {"rgb 1,2,3", kCssColorNone, 7},
      {"rgb(300,0,0)", kCssColorRgb, 0xFF},
      {"&HFF0000", kCssColorNumber, 0xFF0000},
      {"&HFF00", kCssColorNumber, -256},  // a short "&H" literal is 16-bit
      {"255", kCssColorNumber, 255},
      {"Transparent", kCssColorNumber, 0},
      {"1e10", kCssColorInvalid, 7},
      {"rgb(70000,0,0)", kCssColorInvalid, 7},
  };
  for (const auto& r : rows) {
    int32_t c = 7;
    EXPECT_EQ(getCssColor(r.text, c), r.kind) << r.text;
    EXPECT_EQ(c, r.colour) << r.text;
  }

  parseGraphQuery(m_p, "b=%23ff0000&c=rgb(0,128,255)");
  EXPECT_EQ(m_p.colorB, 0x0000FF);
  EXPECT_EQ(m_p.colorC, 0xFF8000);
  parseGraphQuery(m_p, "b=transparent&c=Transparent");
  EXPECT_EQ(m_p.colorB, -1);
  EXPECT_EQ(m_p.colorC, 0);
}

TEST_F(GraphRequest, BadItemsAreLoggedAndSkipped) {
  HeadlessLog log;
  const plotParamRecord before = m_p;
  parseGraphQuery(m_p, "x=1&w=1e10&g=70000&p=1e39&h=2147483648&c=1e10&v=99999999999&w=300");
  EXPECT_EQ(m_p.width, 300);
  EXPECT_EQ(m_p.height, before.height);
  EXPECT_EQ(m_p.timeDivisions, before.timeDivisions);
  EXPECT_FLOAT_EQ(m_p.y1ScaleMax, before.y1ScaleMax);
  EXPECT_EQ(m_p.colorC, before.colorC);
  EXPECT_EQ(m_p.compareOffset, 0);
  const QStringList want = {"x=\"1\"",          "w=\"1e10\"", "g=\"70000\"",      "p=\"1e39\"",
                            "h=\"2147483648\"", "c=\"1e10\"", "v=\"99999999999\""};
  QStringList wantLines;
  for (const QString& item : want.first(5)) wantLines.append("ERROR 1: '" + item + "'");
  wantLines.append("parseGraphQuery: 2 more items rejected");
  EXPECT_EQ(loggedLines(log), wantLines);

  // Unknown keys and leftovers after the value are rejected; "sfgItem" leftovers are silent.
  HeadlessLog log2;
  EXPECT_EQ(parseGraphItem("w=\"5\" 6", m_p), kGraphItemRejected);
  EXPECT_EQ(parseGraphItem("sfgItem=\"5\" 6", m_p), kGraphItemRejected);
  EXPECT_EQ(parseGraphItem("=\"5\"", m_p), kGraphItemRejected);
  EXPECT_EQ(parseGraphItem("w", m_p), kGraphItemRejected);
  EXPECT_EQ(loggedLines(log2), QStringList{"ERROR 1: 'w=\"5\" 6'"});
  EXPECT_EQ(parseGraphItem("W=\"\"", m_p), kGraphItemEmpty);
  EXPECT_EQ(parseGraphItem("rnd=\"123\"", m_p), kGraphFieldSet);
  EXPECT_EQ(parseGraphItem("w=\"320\" ; a comment", m_p), kGraphFieldSet);
  EXPECT_EQ(m_p.width, 320);
}

// A line break in a rejected item, raw or still encoded in its key, stays on its line.
TEST_F(GraphRequest, RejectedItemsCannotForgeALogLine) {
  HeadlessLog log;
  parseGraphQuery(m_p, QString::fromLatin1("y\nMSGBOX:RAW=1&x%0AMSGBOX:FORGED=1&a\r\x85=2"));
  EXPECT_EQ(loggedLines(log),
            (QStringList{"ERROR 1: 'y\\x0AMSGBOX:RAW=\"1\"'", "ERROR 1: 'x%0AMSGBOX:FORGED=\"1\"'",
                         "ERROR 1: 'a\\x0D\\x85=\"2\"'"}));
}

TEST_F(GraphRequest, AQueryLogsTheFirstFewRejectedItemsAndCountsTheRest) {
  struct Row {
    const char* name;
    int junk;
    int itemLines;
    const char* countLine;
  } rows[] = {{"none", 0, 0, nullptr},
              {"one", 1, 1, nullptr},
              {"exactly the few shown", 5, 5, nullptr},
              {"one past them", 6, 5, "parseGraphQuery: 1 more items rejected"},
              {"a full request line of junk", 240, 5, "parseGraphQuery: 235 more items rejected"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    HeadlessLog log;
    QStringList query{"w=300"};
    for (int i = 0; i < r.junk; ++i) query << "x" + QString::number(i) + "=1";
    parseGraphQuery(m_p, query.join('&') + "&h=250");
    EXPECT_EQ(m_p.width, 300);
    EXPECT_EQ(m_p.height, 250);  // items after the junk still apply
    QStringList want;
    for (int i = 0; i < r.itemLines; ++i) want << "ERROR 1: 'x" + QString::number(i) + "=\"1\"'";
    if (r.countLine) want << r.countLine;
    EXPECT_EQ(loggedLines(log), want);
  }
}

TEST_F(GraphRequest, NumbersRoundHalfToEvenAndOptionsOnlySetBits) {
  parseGraphQuery(m_p, "w=640.5&h=401.5&m=1&d=3&g=4,10");
  EXPECT_EQ(m_p.width, 640);
  EXPECT_EQ(m_p.height, 402);
  EXPECT_EQ(m_p.showMarkers, 1);
  EXPECT_EQ(m_p.displayFlags, 3);
  EXPECT_EQ(m_p.timeDivisions, 4);
  EXPECT_EQ(m_p.yDivisions, 10);
  parseGraphQuery(m_p, "g=5");
  EXPECT_EQ(m_p.timeDivisions, 5);
  EXPECT_EQ(m_p.yDivisions, 5);
  parseGraphQuery(m_p, "&m=0&o=1&q=0&v=");
  EXPECT_EQ(m_p.drawOptions, 1);
  parseGraphQuery(m_p, "q=3&o=0");
  EXPECT_EQ(m_p.drawOptions, 7);
  EXPECT_EQ(m_p.showMarkers, 0);
}

// Sizes and divisions are taken as asked; the graph set-up clamps them.
TEST_F(GraphRequest, ControlCharactersEndAValue) {
  const struct {
    const char* query;
    int32_t width, height;
    int16_t timeDivisions, yDivisions;
  } rows[] = {
      {"w=100000&h=99999&g=30000", 100000, 99999, 30000, 30000},
      {"w=5%000&h=3%0a00&g=4%09,7", 5, 3, 4, 4},
      {"w=640%000&h=480%1f1", 640, 480, 6, 8},
  };
  for (const auto& row : rows) {
    defaults();
    parseGraphQuery(m_p, row.query);
    EXPECT_EQ(m_p.width, row.width) << row.query;
    EXPECT_EQ(m_p.height, row.height) << row.query;
    EXPECT_EQ(m_p.timeDivisions, row.timeDivisions) << row.query;
    EXPECT_EQ(m_p.yDivisions, row.yDivisions) << row.query;
  }
}

TEST_F(GraphRequest, BareWordSwitchesDecodingOff) {
  parseGraphQuery(m_p, "abc&w=500%2B1");
  EXPECT_EQ(m_p.width, 500);
  // The chart's own strings begin with "&": nothing in them is decoded, so
  // "%23ff0000" is read as a number (0).
  parseGraphQuery(m_p, "&c=%23ff0000");
  EXPECT_EQ(m_p.colorC, 0);
  // A value holding "=" is skipped and also stops decoding.
  parseGraphQuery(m_p, "w=1=2&b=%23ff0000");
  EXPECT_EQ(m_p.width, 500);
  EXPECT_EQ(m_p.colorB, 0);
  parseGraphQuery(m_p, "b=%23ff0000");
  EXPECT_EQ(m_p.colorB, 0x0000FF);
}

TEST_F(GraphRequest, StartAndEndTimes) {
  setDateClockForTests([] { return QDateTime(QDate(2025, 6, 7), QTime(8, 9, 10)); });
  EXPECT_EQ(item("s", "yesterday"), kGraphItemRejected);
  EXPECT_DOUBLE_EQ(m_p.fromTime, testTime(2024, 1, 1));
  EXPECT_EQ(item("s", "2024-02-30T10:00:00"), kGraphStartSet);
  EXPECT_NEAR(m_p.fromTime, testTime(2024, 3, 1, 10), 1e-9);
  EXPECT_EQ(item("e", "now"), kGraphEndSet);
  EXPECT_NEAR(m_p.toTime, testTime(2025, 6, 7, 8, 9, 10), 1e-9);

  // An end time with a span: the span before that end.
  defaults();
  parseGraphQuery(m_p, "e=2024-03-10+00:00:00&r=1w");
  EXPECT_NEAR(m_p.toTime, testTime(2024, 3, 10), 1e-9);
  EXPECT_NEAR(m_p.fromTime, testTime(2024, 3, 3), 1e-9);

  // Without a loaded file there is no range to compute.
  testDataFileSlots()[0].firstRecordTime = 0;
  testDataFileSlots()[0].lastRecordTime = 0;
  defaults();
  parseGraphQuery(m_p, "r=1d&v=-1");
  EXPECT_EQ(m_p.fromTime, 0);
  EXPECT_EQ(m_p.compareFrom, 0);
  EXPECT_EQ(m_p.compareTo, 0);
}

TEST_F(GraphRequest, CompareRangeByOffsetOrEndTime) {
  // A plain signed number counts range lengths back or on; a date-time text is the end.
  setDateClockForTests([] { return QDateTime(QDate(2025, 6, 7), QTime(8, 9, 10)); });
  const struct {
    const char* query;
    int offset;
    Date to, from;
    const char* text;
  } rows[] = {
      {"r=1d&v=-1", -1, testTime(2024, 4, 30, 12), testTime(2024, 4, 29, 12), "-1"},
      {"r=1d&v=-7,last+week", -7, testTime(2024, 4, 24, 12), testTime(2024, 4, 23, 12), "last week"},
      {"r=12h&v=2024-04-01+06:00:00,April+fool", 0, testTime(2024, 4, 1, 6), testTime(2024, 3, 31, 18),
       "April fool"},
  };
  for (const auto& r : rows) {
    defaults();
    parseGraphQuery(m_p, r.query);
    EXPECT_EQ(m_p.compareOffset, r.offset) << r.query;
    EXPECT_NEAR(m_p.compareTo, r.to, 1e-9) << r.query;
    EXPECT_NEAR(m_p.compareFrom, r.from, 1e-9) << r.query;
    EXPECT_EQ(m_p.compareText, r.text) << r.query;
  }
  defaults();
  EXPECT_EQ(item("v", "+2"), kGraphCompareOffsetSet);
  EXPECT_EQ(m_p.compareOffset, 2);
  EXPECT_EQ(m_p.compareText, "+2");
  // A compare date that does not parse ends the compare range now.
  defaults();
  EXPECT_EQ(item("v", "12:x"), kGraphCompareEndSet);
  EXPECT_NEAR(m_p.compareTo, testTime(2025, 6, 7, 8, 9, 10), 1e-9);
  EXPECT_EQ(m_p.compareText, "12:x");
}
