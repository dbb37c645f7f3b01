#include "core/settings/ini_reader.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/settings/ini_writer.h"
#include "support/log_capture.h"
#include "tests/core/settings/settings_test_support.h"

namespace {
QString dataFile(const char* name) {
  return QStringLiteral(ZAV_TEST_DATA_DIR "/ini/") + QString::fromLatin1(name);
}

// The log from the reader's first line on, with the elapsed time made fixed.
QString readerLog(const QString& all) {
  QString t = all.mid(all.indexOf(QStringLiteral("loadINIfileNr:")));
  static const QRegularExpression elapsed(QStringLiteral("elapsedTime = [0-9.]+ sec"));
  return t.replace(elapsed, QStringLiteral("elapsedTime = 0.0 sec"));
}

IniReadResult loadText(SetupValues& values, const QByteArray& bytes) {
  QTemporaryDir dir;
  const QString path = dir.filePath("t.INI");
  writeTextFile(path, bytes);
  return loadINIfile(path, values);
}
}  // namespace

TEST(IniReader, BadLinesAreReportedExactlyAndReadingGoesOn) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  IniReadResult r;
  QString log;
  {
    LogCapture capture;
    r = loadINIfile(dataFile("bad_lines.ini"), setup.values);
    log = capture.text();
  }
  EXPECT_EQ(readerLog(log), QString::fromUtf8(readTextFile(dataFile("bad_lines.expected.log"))));
  EXPECT_EQ(r.lines, 36);
  EXPECT_EQ(r.errors, 14);

  EXPECT_EQ(w.Text1(0)->text(), "1");
  EXPECT_EQ(setup.values.settings().comPort, 1);
  EXPECT_EQ(setup.values.settings().prescale, 5000);  // the field's own range
  EXPECT_DOUBLE_EQ(setup.values.settings().maxMeterPower, 0.5);
  EXPECT_DOUBLE_EQ(setup.values.settings().revsPerkWh, 2000);  // countsPerkWh came later and wins
  EXPECT_EQ(w.Text1(15)->text(), "2000");
  EXPECT_EQ(w.Check1(7)->checkState(), Qt::Checked);
  EXPECT_EQ(w.Check1(1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(setup.values.text("txtWebRoot"), "my web root");
  EXPECT_EQ(w.Text1(27)->text(), "");
  EXPECT_EQ(w.Text1(25)->text(), "600");
  EXPECT_EQ(setup.values.settings().ifType, 1);
  EXPECT_EQ(w.Slider1()->value(), 3);
  EXPECT_EQ(setup.values.settings().zavLogFileName, "/tmp/zav log.TXT");
  EXPECT_EQ(w.Text2(5)->text(), "/tmp/zav log.TXT");
  EXPECT_EQ(w.Text1(3)->text(), "3");
  setup.values.applySetupSettings(true);  // the file's message level goes back to the factory's
}

TEST(IniReader, WhatTheWriterWritesReadsBackWithoutErrors) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  w.Text1(1)->setText("10000");  // top of the field's range
  w.Text1(15)->setText("1");     // bottom of the field's range
  w.Text1(16)->setText("0.1");
  w.Text1(0)->setText("007");
  const QString path = settingsTestDir() + "roundtrip.INI";
  ASSERT_TRUE(saveIniFile(path, setup.values));
  setup.values.applySetupSettings(true);
  const IniReadResult r = loadINIfile(path, setup.values);
  EXPECT_EQ(r.errors, 0);  // also the fields the factory settings leave empty
  EXPECT_EQ(setup.values.settings().prescale, 10000);
  EXPECT_DOUBLE_EQ(setup.values.settings().revsPerkWh, 1);
  EXPECT_DOUBLE_EQ(setup.values.settings().maxMeterPower, 0.1);
}

TEST(IniReader, EveryRangedKeyTakesItsLimitsAndRefusesWhatLiesOutside) {
  SetupForTest setup;
  for (const IniKey& row : iniKeys()) {
    if (row.read != IniRead::Integer && row.read != IniRead::Double) continue;
    const QString key = QString::fromLatin1(row.key), control = QString::fromLatin1(row.control);
    const double step = row.read == IniRead::Integer ? 1 : 0.01;
    const auto line = [&](double v) { return (key + u'=' + QString::number(v, 'g', 15)).toUtf8(); };
    for (double v : {row.lo, row.hi}) {
      setup.values.applySetupSettings(true);
      EXPECT_EQ(loadText(setup.values, line(v)).errors, 0) << line(v).constData();
    }
    for (double v : {row.lo - step, row.hi + step}) {
      setup.values.applySetupSettings(true);
      const QString before = setup.values.text(control);
      EXPECT_EQ(loadText(setup.values, line(v)).errors, 1) << line(v).constData();
      EXPECT_EQ(setup.values.text(control), before) << line(v).constData();
    }
    if (row.rules.rule != FieldRule::TwinInRange) continue;
    // A ranged field refuses the same values when they are typed.
    double Settings::*member = std::get<double Settings::*>(row.member.member);
    const double kept = setup.values.settings().*member;
    setup.values.setText(control, QString::number(row.hi + step, 'g', 15));
    EXPECT_EQ(setup.values.settings().*member, kept) << qPrintable(control);
    EXPECT_EQ(setup.values.look(control).foreColor, logColourError) << qPrintable(control);
    setup.values.setText(control, QString::number(row.lo, 'g', 15));
    EXPECT_EQ(setup.values.settings().*member, row.lo) << qPrintable(control);
  }
}

TEST(IniReader, TicksPerSecondFromTheFileSurvivesReapplying) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  loadText(setup.values, "ticksPerSec=62500\r\n");
  setup.values.applySetupSettings(false);
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 62500);
  EXPECT_EQ(w.Text1(11)->text(), "62500");
  w.Text1(30)->setText("4");  // a user's edit of the divisor still derives it
  EXPECT_DOUBLE_EQ(setup.values.settings().ticksPerSec, 250000);
}

TEST(IniReader, AppendedComPortLineOverridesTheEarlierOne) {
  SetupForTest setup;
  loadText(setup.values, "comPort=3\r\n\r\ncomPort=5\r\n");
  EXPECT_EQ(setup.values.settings().comPort, 5);
}

TEST(IniReader, OnlyCommentsAppliesNothing) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  const IniReadResult r = loadText(setup.values, ";a\r\n[Files]\r\n\r\n[setUp] ;x\r\n");
  EXPECT_EQ(r.lines, 4);
  EXPECT_EQ(r.errors, 0);
  EXPECT_EQ(w.Text1(13)->text(), "1000");
}

TEST(IniReader, BooleansTakeYesNoAndMinusOneInAnyCase) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  const IniReadResult r =
      loadText(setup.values, "ringBell=Yes\nfixedPlotSize=-1\nstartOnLine=NO\noverWriteLast=2\n");
  EXPECT_EQ(r.errors, 1);
  EXPECT_EQ(w.Check1(0)->checkState(), Qt::Checked);
  EXPECT_EQ(w.Check1(3)->checkState(), Qt::Checked);
  EXPECT_EQ(w.Check1(1)->checkState(), Qt::Unchecked);
}

TEST(IniReader, QuotedValueWithoutClosingQuoteTakesTheRest) {
  SetupForTest setup;
  loadText(setup.values, "webRoot=\"C:/my site\r\nReferencePowerEndTime=\"a\"b\"\r\n");
  EXPECT_EQ(setup.values.text("txtWebRoot"), "C:/my site");
  EXPECT_EQ(setup.values.text("Text24"), "");  // refused with error 2: the quote ends the value
}

TEST(IniReader, Windows1252BytesAreDecoded) {
  EXPECT_EQ(decodeIniBytes("kr/\xE5r \x80"), QString::fromUtf8("kr/år €"));
  EXPECT_EQ(decodeIniBytes("kr/\xC3\xA5r"), QString::fromUtf8("kr/år"));
  EXPECT_EQ(decodeIniBytes("\xEF\xBB\xBF"
                           "comPort=3"),
            "comPort=3");
  SetupForTest setup;
  SetupWindow& w = setup.window;
  loadText(setup.values, "vtUsrPowerUnit=\"kr/\xE5r\"\r\n");
  EXPECT_EQ(w.Text1(48)->text(), QString::fromUtf8("kr/år"));
}

TEST(IniReader, CountersDoNotOverflowOnLongFiles) {
  SetupForTest setup;
  QByteArray many;
  for (int i = 0; i < 40000; ++i) many += (i % 2 ? "bad\r\n" : "nokey=1\r\n");
  const int16_t saved = msgLevel;
  msgLevel = 0;  // neither echo nor errors: this is about the counts
  const IniReadResult r = loadText(setup.values, many);
  msgLevel = saved;
  EXPECT_EQ(r.lines, 40000);
  EXPECT_EQ(r.errors, 20000);
}

TEST(IniReader, RangeHelpers) {
  EXPECT_TRUE(isIntegerInRange(0, 16, "16"));
  EXPECT_FALSE(isIntegerInRange(0, 16, "3.0"));
  EXPECT_FALSE(isIntegerInRange(0, 16, "3,0"));
  EXPECT_FALSE(isDoubleInRange(0, 16, ""));
  EXPECT_FALSE(isDoubleInRange(0, 16, "abc"));
  EXPECT_TRUE(isDoubleInRange(0.1, 1, "0.1"));
}

TEST(IniReader, NumberReadersReturnTheValueOrCountAnError7) {
  LogCapture log;
  int64_t errors = 0;
  const struct {
    const char* token;
    std::optional<int16_t> whole;
    std::optional<double> decimal;
  } rows[] = {
      {"16", 16, 16.0},
      {"3.5", std::nullopt, 3.5},
      {"17", std::nullopt, std::nullopt},
      {"abc", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
  };
  int64_t refused = 0;
  auto optional = [](const auto& result) { return result ? std::optional(*result) : std::nullopt; };
  for (const auto& r : rows) {
    EXPECT_EQ(optional(iniReadInteger(errors, 12, "key=" + QString(r.token), r.token, 0, 16)), r.whole)
        << r.token;
    EXPECT_EQ(optional(iniReadDouble(errors, 12, "key=" + QString(r.token), r.token, 0, 16)), r.decimal)
        << r.token;
    refused += !r.whole + !r.decimal;
    EXPECT_EQ(errors, refused) << r.token;
  }
  EXPECT_TRUE(log.contains("[012]  ERROR 7: 'key=17'"));
  EXPECT_FALSE(log.contains("ERROR 7: 'key=16'"));
}

TEST(IniReader, ReloadButtonReadsIniFileName) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  writeTextFile(setup.values.settings().iniFileName, "plotWidth=640\r\n");
  w.Command1(2)->click();
  EXPECT_EQ(w.Text1(25)->text(), "640");
  QFile::remove(setup.values.settings().iniFileName);
}

TEST(IniReader, NumericFieldsAreNormalisedAndOptionIndexesRoundHalfToEven) {
  SetupForTest setup;
  SetupWindow& w = setup.window;
  const IniReadResult r =
      loadText(setup.values, "comPort=007\r\ny1ScaleMax=3.50\r\nreduceMethod=1.5\r\nyTempScale=0.5\r\n");
  EXPECT_EQ(r.errors, 0);
  EXPECT_EQ(w.Text1(0)->text(), "7");
  EXPECT_EQ(w.Text1(5)->text(), "3.5");
  EXPECT_EQ(setup.values.settings().reduceMethod, 2);
  EXPECT_EQ(setup.values.settings().yTempScale, 0);
}

TEST(IniReader, TruncatedAndByteFlippedFilesAreReadToTheEnd) {
  SetupForTest setup;
  const QByteArray good = readTextFile(dataFile("factory_defaults_after_line1.ini"));
  ASSERT_FALSE(good.isEmpty());
  const int16_t saved = msgLevel;
  for (qsizetype cut = 1; cut < good.size(); cut += 37) {
    QByteArray bad = good.left(cut);
    bad[cut / 2] = char(bad[cut / 2] ^ 0xA5);
    msgLevel = 0;
    const IniReadResult r = loadINIfileNr(decodeIniBytes(bad), setup.values);
    EXPECT_GE(r.lines, 1) << cut;
    EXPECT_LE(r.errors, r.lines) << cut;
  }
  msgLevel = saved;
  setup.values.applySetupSettings(true);  // a damaged file may have set the message level
}
