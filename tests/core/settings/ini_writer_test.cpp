#include "core/settings/ini_writer.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "core/settings/ini_reader.h"
#include "support/headless_env.h"
#include "tests/core/settings/fake_setup_controls.h"
#include "tests/core/settings/settings_test_support.h"

namespace {
// The controls that the factory defaults leave alone, back at their first state.
SetupWindow& factoryStateForGolden(SetupForTest& setup) {
  SetupWindow& w = setup.window;
  w.Text1(4)->setText(QString());
  w.Text1(11)->setText(QStringLiteral("125000"));
  for (int i : {8, 9}) w.Check1(i)->setCheckState(Qt::Unchecked);
  for (int i : {2, 3, 4}) w.Check5(i)->setCheckState(Qt::Unchecked);
  return w;
}

QByteArray goldenAfterLine1() {
  QByteArray g = readTextFile(QStringLiteral(ZAV_TEST_DATA_DIR "/ini/factory_defaults_after_line1.ini"));
  g.replace("@DIR@", settingsTestDir().toUtf8());
  g.replace("@CWD@", QDir::currentPath().toUtf8());
  // The INI and help files are named after the test binary.
  g.replace("@EXE@", QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toUtf8());
  return g;
}
}  // namespace

TEST(IniWriter, SaveButtonAfterFactoryDefaultsWritesTheGoldenFile) {
  SetupForTest setup;
  SetupWindow& w = factoryStateForGolden(setup);
  const QString iniFileName = setup.values.settings().iniFileName;
  QFile::remove(iniFileName);
  w.Command1(1)->click();
  const QByteArray bytes = readTextFile(iniFileName);
  const qsizetype eol = bytes.indexOf("\r\n");
  ASSERT_GT(eol, 0);
  EXPECT_TRUE(bytes.left(eol).startsWith(";Zav initialization file - Created by Zav: "));
  EXPECT_EQ(bytes.mid(eol + 2), goldenAfterLine1());
  QFile::remove(iniFileName);
}

TEST(IniWriter, ValuesAreWrittenAsTheFieldsHoldThem) {
  FakeSetupControls c;
  c.counts["Option1"] = 4;
  c.texts["Text1(0)"] = "3 4";
  c.texts["Text1(33)"] = "a\"b";
  c.texts["Text2(0)"] = "C:/data;old";
  c.values["Check1(7)"] = 2;  // grey is not ticked
  c.slider = 7;
  c.held.pricePerkWh = "  2,50 ";
  const QString text = QString::fromUtf8(iniFileText(c, "x"));
  EXPECT_TRUE(text.contains("\r\nifType=-1\r\n"));
  EXPECT_TRUE(text.contains("\r\ncomPort=3 4\r\n"));
  EXPECT_TRUE(text.contains("\r\nvtStdEnergyTitle=\"a\"b\"\r\n"));
  EXPECT_TRUE(text.contains("\r\ncurrentDir=\"C:/data;old\"  ;comment only\r\n"));
  EXPECT_TRUE(text.contains("\r\nrunWebServer=0\r\n"));
  EXPECT_TRUE(text.contains("\r\nviewRange=7\r\n"));
  EXPECT_TRUE(text.endsWith("pricePerkWh=\"2,50\"\r\n\r\n"));
}

TEST(IniWriter, OptionIndexIsTheLastSelectedButton) {
  FakeSetupControls c;
  c.counts["Option7"] = 10;
  EXPECT_EQ(getOptionIndex(c, "Option7", -1), -1);
  c.values["Option7(2)"] = 1;
  c.values["Option7(8)"] = 1;
  EXPECT_EQ(getOptionIndex(c, "Option7", -1), 8);
}

TEST(IniWriter, AddToIniFileStartsANewLineWhenNeeded) {
  QTemporaryDir dir;
  const QString iniFileName = dir.filePath("a.INI");
  writeTextFile(iniFileName, "comPort=3");  // no line end
  ASSERT_TRUE(addToIniFile(iniFileName, "comPort=5"));
  EXPECT_EQ(readTextFile(iniFileName), "comPort=3\r\ncomPort=5\r\n");
  ASSERT_TRUE(addToIniFile(iniFileName, "comPort=6"));
  EXPECT_EQ(readTextFile(iniFileName), "comPort=3\r\ncomPort=5\r\ncomPort=6\r\n");
  QFile::remove(iniFileName);
  ASSERT_TRUE(addToIniFile(iniFileName, "comPort=7"));  // created when missing
  EXPECT_EQ(readTextFile(iniFileName), "comPort=7\r\n");
}

TEST(IniWriter, FailedWritesAreReported) {
  HeadlessLog log;
  FakeSetupControls c;
  const QString missing = QStringLiteral("/nonexistent-folder-for-zav/x.INI");
  EXPECT_FALSE(saveIniFile(missing, c));
  EXPECT_FALSE(addToIniFile(missing, "comPort=5"));
  const QString all = log.lines().join('\n');
  EXPECT_TRUE(all.contains("saveIniFile: ERROR: cannot write '/nonexistent-folder-for-zav/x.INI'"));
  EXPECT_TRUE(all.contains("addToIniFile: ERROR: cannot write"));
  EXPECT_EQ(all.count("MSGBOX: Cannot write the settings file:"), 2);
}

TEST(IniFileIo, WritesAppendsAndReadsOrGivesTheReason) {
  QTemporaryDir dir;
  const QString file = dir.filePath("z.INI");
  ASSERT_TRUE(writeIniFile(file, "a=1\r\nb=2"));
  ASSERT_TRUE(appendIniLine(file, "c=3"));  // after a line break of its own
  EXPECT_EQ(readTextFile(file), "a=1\r\nb=2\r\nc=3\r\n");
  const Result<QString> text = readIniText(file);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "a=1\r\nb=2\r\nc=3\r\n");
  ASSERT_TRUE(writeIniFile(file, "d=4\r\n"));  // replaced whole
  EXPECT_EQ(readTextFile(file), "d=4\r\n");

  const QString missing = dir.filePath("no-such-folder/z.INI");
  struct Row {
    const char* name;
    QString error;
  } rows[] = {{"writeIntoAMissingFolder", writeIniFile(missing, "x").error()},
              {"appendIntoAMissingFolder", appendIniLine(missing, "x").error()},
              {"readAMissingFile", readIniText(missing).error()}};
  for (const Row& r : rows) EXPECT_FALSE(r.error.isEmpty()) << r.name;
  EXPECT_FALSE(QFile::exists(missing));
}
