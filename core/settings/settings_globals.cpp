#include "core/settings/settings_globals.h"

#include <type_traits>

QString appName;
QString defDirName;
int16_t debugMode = 0;
int16_t debugLevel = 0;
int16_t msgLevel = 4;

QString iniFileName;
QString zavLogFileName;
QString hlpFileName;
QString zavDatFileName[2];
QString zavPlotFileName;
bool savePlotToPicFile = false;

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

#define ZAV_GLOBAL_OF_ZAV_SETTING(type, name, start) \
  if constexpr (std::is_same_v<T, type>) {           \
    if (member == &Settings::name) return &::name;   \
  }
#define ZAV_GLOBAL_OF_ZAV_SETTING_ONLY(type, name, start)
#define ZAV_GLOBAL_OF_ZAV_NO_SETTING
#define ZAV_GLOBAL_OF_ROW(key, control, section, form, read, lo, hi, emptyAllowed, member) \
  ZAV_GLOBAL_OF_##member
#define ZAV_GLOBAL_OF_ITEM(member) ZAV_GLOBAL_OF_##member

template <class T>
T* settingsGlobal(T Settings::*member) {
  ZAV_INI_KEYS(ZAV_GLOBAL_OF_ROW)
  ZAV_SETTINGS_BESIDE(ZAV_GLOBAL_OF_ITEM)
  return nullptr;
}

template QString* settingsGlobal(QString Settings::*);
template int16_t* settingsGlobal(int16_t Settings::*);
template int32_t* settingsGlobal(int32_t Settings::*);
template double* settingsGlobal(double Settings::*);
template bool* settingsGlobal(bool Settings::*);
template valueType* settingsGlobal(valueType Settings::*);
template FileNamePair* settingsGlobal(FileNamePair Settings::*);

namespace {
QString Settings::*heldMember(QLatin1String key) {
  if (key == "zavLogFileName") return &Settings::zavLogFileName;
  if (key == "zavPlotFileName") return &Settings::zavPlotFileName;
  if (key == "iniFileName") return &Settings::iniFileName;
  if (key == "hlpFileName") return &Settings::hlpFileName;
  if (key == "pricePerkWh") return &Settings::pricePerkWh;
  return nullptr;
}

int dataFileSlot(QLatin1String key) {
  if (key == "zavDatFileName(0)") return 0;
  if (key == "zavDatFileName(1)") return 1;
  return -1;
}
}  // namespace

bool storeHeldText(Settings& s, QLatin1String key, const QString& text) {
  if (const int slot = dataFileSlot(key); slot >= 0) {
    s.zavDatFileName[slot] = text;
    ::zavDatFileName[slot] = text;
    return true;
  }
  QString Settings::*member = heldMember(key);
  if (!member) return false;
  storeSetting(s, member, text);
  return true;
}

QString heldText(const Settings& s, QLatin1String key) {
  if (const int slot = dataFileSlot(key); slot >= 0) return s.zavDatFileName[slot];
  QString Settings::*member = heldMember(key);
  return member ? s.*member : QString();
}
