#include "core/globals.h"

QString appName;
QString iniFileName;
QString zavLogFileName;
QString hlpFileName;
QString zavDatFileName[2];
QString zavPlotFileName;
bool savePlotToPicFile = false;
int32_t debugAccessCode = 58214;
int16_t debugMode = 0;
int16_t debugLevel = 0;
int16_t msgLevel = 4;
int32_t logMaxChars = 100000;
int32_t logColourNormal = kLogColourNormal;
int32_t logColourError = kLogColourError;
int16_t lapMax = 10;
QVector<int32_t> lapTimes{0};
QVector<int16_t> lapIds{0};
QString defDirName;

bool readINI = true;
bool showLogo = true;
QString defBaseName;
QString comBaud;

int16_t comPort = 0;
QString comSetting;
int16_t prescale = 1;
int32_t maxPlotPoints = 0;
double maxZavFileSize = 0;
double y1ScaleMax = 0, y1ScaleMin = 0, y2ScaleMax = 0, y2ScaleMin = 0;
double ticksPerSec = 0;
double pulsesPerRev = 0;
double revsPerkWh = 300.0;
double maxMeterPower = 0;
double minUpdateInterval = 0, maxUpdateInterval = 0;
int32_t ZAVdetectorVer = 0;
int32_t ZAVmeterID = 0;
int32_t plotBackgroundColor = 0;
Date minTextFileSaveInterval = 0;
int16_t ifType = 0, timerType = 0, reduceMethod = 0, yPowerScale = 0, yTempScale = 0,
        textFileWriteInterval = 0;
int32_t mousePointerFlags = 0, mouseMeasureFlags = 0;
QString pricePerkWh;
bool plotPointMarks = false;
bool writeToZAVdataFile = false, writeToZAVtextFile = false;
int32_t pointTextBackColor = 0xC0FFFF;
int32_t progStartTicks = 0;

double WsPerCount = 0;
double minMeterScale = 0;
valueType vtEnergy, vtPower;

bool ringBell = false, startOnLine = false, advancedFunctions = false, fixedPlotSize = false,
     startWithAutoPlot = false, overWriteLast = false, runWebServer = false, DrawOrthogonalLines = false,
     DrawPowerInBackground = false, startMinimized = false;

int32_t plotWidth = 600, plotHeight = 400;
QString ReferencePowerEndTime;
int16_t viewRange = 13;

QString defaultWebRoot;
