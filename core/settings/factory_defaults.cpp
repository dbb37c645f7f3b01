#include "core/settings/factory_defaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "core/settings/detector_types.h"
#include "core/settings/settings_globals.h"
#include "platform/app_event_log.h"
#include "platform/colour.h"

QString appLogPath() { return appLogCurrentPath(); }

FactoryPaths currentFactoryPaths(const QString& defDir) {
  FactoryPaths p;
  p.defDir = defDir;
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  p.exeBase = exe.completeBaseName();
  p.exeDir = exe.absolutePath();
  p.currentDir = QDir::currentPath();
  p.appLogPath = appLogPath();
  return p;
}

void applyFactoryDefaults(SetupControls& c, const FactoryPaths& p) {
  auto text = [&](int i, const char* t) { c.setText(ctl("Text1", i), QString::fromUtf8(t)); };
  auto check = [&](const char* array, int i, int v) { c.setValue(ctl(array, i), v); };
  auto option = [&](const char* group, int i) { c.setValue(ctl(group, i), 1); };

  Settings& s = c.typedSettings();
  auto held = [&](const char* key, const QString& text) { storeHeldText(s, QLatin1String(key), text); };

  held("iniFileName", p.defDir + p.exeBase + QStringLiteral(".INI"));
  held("zavDatFileName(0)", p.defDir + QStringLiteral("pwrData.ZAV"));
  held("zavDatFileName(1)", p.defDir + QStringLiteral("pwrData.ZAV"));
  held("hlpFileName", p.defDir + p.exeBase + QStringLiteral(".HLP"));
  held("zavLogFileName", p.defDir + QStringLiteral("zavLog.TXT"));
  held("zavPlotFileName", p.defDir + QStringLiteral("zavPlot.PNG"));
  const QString files[] = {p.currentDir,  s.iniFileName,    s.zavDatFileName[0], s.zavDatFileName[1],
                           s.hlpFileName, s.zavLogFileName, p.appLogPath,        s.zavPlotFileName};
  for (int i = 0; i < 8; ++i) c.setText(ctl("Text2", i), files[i]);
  storeSetting(s, &Settings::pointTextBackColor, rgbColour(255, 255, 192));
  text(27, "80 FF FF");
  text(28, "1");
  text(3, "4");
  text(13, "");
  text(0, "");
  text(14, "");
  c.setText(ctl("Text1", 19), QString::number(kNewFrameDetectorVer));
  text(20, "0");
  text(25, "600");
  text(26, "400");
  option("Option1", 1);
  option("Option1", 2);
  option("Option2", 1);
  const int startup[][2] = {{0, 0}, {1, 1}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 1}, {10, 0}};
  for (const auto& [i, v] : startup) check("Check1", i, v);
  c.setValue(QStringLiteral("Check9"), 0);
  c.setValue(QStringLiteral("cheLogging"), 0);
  c.setText(QStringLiteral("Text18"), QString());
  storeSetting(s, &Settings::defaultWebRoot, p.exeDir + QStringLiteral("/public_html/"));
  c.setText(QStringLiteral("txtWebRoot"), QString());
  c.setToolTip(QStringLiteral("txtWebRoot"),
               QStringLiteral("Leave empty to use default: ") + s.defaultWebRoot);
  c.setText(QStringLiteral("txtWebLogFile"), QString());
  c.setToolTip(QStringLiteral("txtWebLogFile"),
               QStringLiteral("Leave empty to use default: ") + p.exeDir + QStringLiteral("/webserver.log"));
  storeSetting(s, &Settings::writeToZAVdataFile, true);
  storeSetting(s, &Settings::writeToZAVtextFile, true);
  storeSetting(s, &Settings::savePlotToPicFile, false);
  check("Check8", 0, 1);
  check("Check8", 1, 1);
  check("Check8", 2, 0);
  text(15, "1000");
  text(12, "1");
  text(1, "1");
  text(29, "1000000");
  text(30, "8");
  text(16, "40000");
  text(17, "6");
  text(18, "12");
  text(5, "8000");
  text(6, "0");
  text(7, "50");
  text(8, "-30");
  text(2, "300");
  option("Option3", 2);
  option("Option5", 1);
  option("Option6", 1);
  option("Option7", 3);
  check("Check4", 0, 1);
  check("Check4", 1, 1);
  check("Check5", 0, 1);
  check("Check5", 1, 1);
  check("Check5", 5, 1);
  c.setText(QStringLiteral("Text24"), QString());
  c.setSliderQuietly(13);  // one stop before the last
  text(13, "1000");
  text(24, "8000");
  check("Check11", 0, 0);
  check("Check11", 1, 0);
  const char* units[] = {"",      "1", "0",  "Wh",     "Power", "1", "0",    "W", "Energikostnad",
                         "0,001", "2", "kr", "Effekt", "8,766", "0", "kr/år"};
  for (int k = 0; k < 16; ++k) text(33 + k, units[k]);
  held("pricePerkWh", QStringLiteral("1.00"));
  c.settingsWritten();
}
