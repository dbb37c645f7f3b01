// Menus, the file pickers and their refusals while on-line.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QTemporaryDir>

#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "meter/window/form1.h"
#include "meter/window/main_menus.h"
#include "support/headless_env.h"
#include "tests/meter/window/meter_owners.h"

namespace {
struct FilePickers : ::testing::Test, MeterOwners {
  HeadlessLog log;
  QTemporaryDir dir;
  void SetUp() override {
    // The settings' file names; the session and the link take each new settings value.
    SetupValues& v = values;
    v.setHeldText(QLatin1String("zavDatFileName(0)"), dir.filePath("pwrData.ZAV"));
    v.setHeldText(QLatin1String("zavDatFileName(1)"), dir.filePath("pwrData.ZAV"));
    v.setHeldText(QLatin1String("zavLogFileName"), dir.filePath("zavLog.TXT"));
    v.setHeldText(QLatin1String("zavPlotFileName"), dir.filePath("zavPlot.GIF"));
    settings = v.settings();
    apply();
    QObject::connect(&settingsEvents(), &SettingsEvents::settingsChanged, &session, [this](const Settings& s) {
      settings = s;
      apply();
    });
  }
  void TearDown() override {
    session.setOnline(false);
    qunsetenv("ZAV_TEST_FILE");
  }
  void choose(const QString& name) { qputenv("ZAV_TEST_FILE", dir.filePath(name).toLocal8Bit()); }
  // The file names of the program's settings as they are now.
  const FileNamePair& zavDatFileName = values.settings().zavDatFileName;
  const QString& zavLogFileName = values.settings().zavLogFileName;
  const QString& zavPlotFileName = values.settings().zavPlotFileName;
};
}  // namespace

TEST_F(FilePickers, RefusedWhileOnline) {
  session.setOnline(true);
  choose("other.zav");
  const QString data = zavDatFileName[0], text = zavLogFileName, plot = zavPlotFileName;
  selZavdataFile(session, link, values);
  selZavtextFile(session, link, values);
  selPlotPictureFile(link, values);
  EXPECT_EQ(zavDatFileName[0], data);
  EXPECT_EQ(zavLogFileName, text);
  EXPECT_EQ(zavPlotFileName, plot);
  const QStringList lines = log.lines();
  EXPECT_TRUE(lines.contains("MSGBOX: cannot change data file while ON-LINE"));
  EXPECT_TRUE(lines.contains("MSGBOX: cannot change text file while ON-LINE"));
  EXPECT_TRUE(lines.contains("MSGBOX: cannot change plot file while ON-LINE"));
}

TEST_F(FilePickers, ChosenNamesReplaceTheSettings) {
  choose("log2.txt");
  selZavtextFile(session, link, values);
  EXPECT_EQ(zavLogFileName, dir.filePath("log2.txt"));
  choose("plot.png");
  selPlotPictureFile(link, values);
  EXPECT_EQ(zavPlotFileName, dir.filePath("plot.png"));
  choose("second.zav");
  selZavdataFile(session, link, values);
  EXPECT_EQ(zavDatFileName[0], dir.filePath("second.zav"));
  EXPECT_GT(session.recorder().fileNumber(), 0);  // reopened for recording under the new name
}

TEST_F(FilePickers, SaveAsAndViewWorkWhileOnline) {
  QMenuBar bar;
  MainMenus m(&bar, session, link, values);
  session.setOnline(true);
  choose("saved.zav");
  m.mnuFileSaveAs_Click();
  EXPECT_EQ(zavDatFileName[0], dir.filePath("saved.zav"));
  EXPECT_TRUE(log.lines().contains("MSGBOX: not implemented"));
  choose("viewed.zav");
  m.mnuFileView_Click();
  EXPECT_EQ(zavDatFileName[1], dir.filePath("viewed.zav"));
}

TEST_F(FilePickers, MenuStatesFollowOnlineAndSimulation) {
  QMenuBar bar;
  MainMenus m(&bar, session, link, values);
  session.setOnline(true);
  m.mnuFile_Click();
  EXPECT_FALSE(m.mnuFileOpen->isEnabled());
  EXPECT_FALSE(m.mnuFileClose->isEnabled());
  m.mnuMeter_Click();
  EXPECT_TRUE(m.mnuMeter_Select[1]->isChecked());
  EXPECT_FALSE(m.mnuMeter_Select[0]->isEnabled());
  session.setOnline(false);
  link.showSimulationState(true);
  m.mnuFile_Click();
  m.mnuMeter_Click();
  EXPECT_TRUE(m.mnuFileOpen->isEnabled());
  EXPECT_TRUE(m.mnuMeter_Select[0]->isChecked());
  EXPECT_FALSE(m.mnuMeter_Select[1]->isEnabled());
  m.mnuMeter_Select_Click(0);
  EXPECT_FALSE(link.simulating());
}
