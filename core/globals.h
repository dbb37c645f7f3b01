#pragma once
// Process-wide settings and state shared by every subsystem. The names are the
// INI keys and the names the rest of the program uses; the start values are
// set by Main() (core/startup.cpp), the settings fields and the INI reader.

#include <QString>
#include <QVector>
#include <cstdint>

#include "core/settings/value_type.h"
#include "core/util/date_value.h"
#include "platform/colour.h"

// --- start-up state (set by Main and the command line) ---
extern QString appName;
extern QString iniFileName;
extern QString zavLogFileName;
extern QString hlpFileName;
extern QString zavDatFileName[2];
extern QString zavPlotFileName;
extern bool savePlotToPicFile;
extern int32_t debugAccessCode;
extern int16_t debugMode;
extern int16_t debugLevel;
extern int16_t msgLevel;
extern int32_t logMaxChars;
extern int32_t logColourNormal;  // &HBBGGRR, top bit set = system colour
extern int32_t logColourError;
extern int16_t lapMax;
extern QVector<int32_t> lapTimes;
extern QVector<int16_t> lapIds;
extern QString defDirName;  // always ends in "/" once set

// --- command line only ---
extern bool readINI;
extern bool showLogo;
extern QString defBaseName;
extern QString comBaud;

// --- settings fields and their globals ---
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
extern int32_t progStartTicks;      // tick count when the setup window loaded

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
