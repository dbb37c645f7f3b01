#pragma once
// Writing the typed settings, and the settings' views: a global of the same
// name for each member the key table marks ZAV_SETTING (and the data files'
// names), written with the member at the moment the field rule writes it, as
// the rules always did. The views are core's own: the build shows this header
// to core's libraries and tests alone (a layers_* test proves it); the folders
// above are handed a Settings value.

#include <QLatin1String>
#include <QString>
#include <cstdint>

#include "core/log/logmsg.h"  // msgLevel, the message log's level, is one of them
#include "core/settings/settings.h"
#include "core/settings/value_type.h"
#include "core/util/date_value.h"

// --- start-up values (Main and the command line set them first) ---
extern QString appName;
extern QString defDirName;  // always ends in "/" once set
extern int16_t debugMode;
extern int16_t debugLevel;

// --- the files ---
extern QString iniFileName;
extern QString zavLogFileName;
extern QString hlpFileName;
extern QString zavDatFileName[2];
extern QString zavPlotFileName;
extern bool savePlotToPicFile;

// --- settings fields ---
extern int16_t comPort;
extern QString comSetting;
extern int16_t prescale;
extern int32_t maxPlotPoints;
extern double maxZavFileSize;
extern double y1ScaleMax, y1ScaleMin, y2ScaleMax, y2ScaleMin;
extern double ticksPerSec;
extern double pulsesPerRev;
extern double revsPerkWh;
extern double maxMeterPower;
extern double minUpdateInterval, maxUpdateInterval;
extern int32_t ZAVdetectorVer;
extern int32_t ZAVmeterID;
extern int32_t plotBackgroundColor;
extern Date minTextFileSaveInterval;
extern int16_t ifType, timerType, reduceMethod, yPowerScale, yTempScale, textFileWriteInterval;
extern int32_t mousePointerFlags, mouseMeasureFlags;
extern QString pricePerkWh;  // price text as typed ("1.00"); the calculator reads its value
extern bool plotPointMarks;
extern bool writeToZAVdataFile, writeToZAVtextFile;
extern int32_t pointTextBackColor;  // &HBBGGRR

// --- derived meter constants ---
extern double WsPerCount;
extern double minMeterScale;
extern valueType vtEnergy, vtPower;

// The flags of the setup window's Check1 boxes, set by their click rule.
extern bool ringBell;               // Check1(0) "Ring bell for each pulse"
extern bool startOnLine;            // Check1(1) "Start On-Line"
extern bool advancedFunctions;      // Check1(2): the calculator's extra frames and setup fields are shown
extern bool fixedPlotSize;          // Check1(3) "Fixed Plot Size"
extern bool startWithAutoPlot;      // Check1(4) "Start with Auto Plot"
extern bool overWriteLast;          // Check1(6): the text log overwrites its last line between saves
extern bool runWebServer;           // Check1(7) "Start with Web Server"
extern bool DrawOrthogonalLines;    // Check1(8) "Draw orthogonal lines"
extern bool DrawPowerInBackground;  // Check1(9) "Draw power in background"
extern bool startMinimized;         // Check1(10) "Start Minimized"

// The chart picture's size: fields Text1(25) and Text1(26) as whole numbers (the last
// text that was one); the plot-size texts themselves stay in the settings values.
extern int32_t plotWidth, plotHeight;
// "Reference power end time" (Text24), as typed.
extern QString ReferencePowerEndTime;
// The graph time-width slider's stop, 0 "ALL" .. 14 "1min".
extern int16_t viewRange;

// The web-root folder used when the setup window's web-root field is empty (factory defaults).
extern QString defaultWebRoot;

// The global of the same name as the member; nullptr for a member without one.
template <class T>
T* settingsGlobal(T Settings::*member);

template <class T, class V>
void storeSetting(Settings& s, T Settings::*member, V&& value) {
  s.*member = std::forward<V>(value);
  if (T* global = settingsGlobal(member)) *global = s.*member;
}

// The texts held outside the controls, named by their INI key ("zavDatFileName(0)",
// "zavLogFileName", "zavPlotFileName", "iniFileName", "hlpFileName", "pricePerkWh").
// False for any other key.
bool storeHeldText(Settings& s, QLatin1String key, const QString& text);
QString heldText(const Settings& s, QLatin1String key);
