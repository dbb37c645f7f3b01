#pragma once
// The one table of the INI file's keys, in file order: the writer walks it for
// the order and form of each line, the reader for the action and range of each
// key, and struct Settings (settings.h) takes its typed members from it. Keys
// are matched exactly (case-sensitive).

#include <QString>
#include <cstdint>
#include <span>

enum class IniSection : uint8_t { Header, Files, SetUp };

// How the writer writes a value.
enum class IniForm : uint8_t {
  Header,   // "title" and "version": written from the program, before the sections
  Text,     // the field's text as it stands
  Quoted,   // the field's text between double quotes
  Comment,  // quoted, then "  ;comment only"
  Flag,     // "1" for a ticked box, else "0"
  Index,    // the option group's selected index, -1 for none
  Slider,   // the graph time-width slider's position
  Price,    // the price (pricePerkWh), trimmed, quoted
};

// What the reader does with a value.
enum class IniRead : uint8_t {
  Ignore,       // accepted, nothing changes
  FileName,     // the file name and its field
  FieldText,    // the field's text, unchecked
  Integer,      // a whole number in [lo, hi], written back as that number
  Double,       // a number in [lo, hi], written back in the regional form
  Boolean,      // yes/1/-1 ticks, no/0 clears the box
  OptionIndex,  // selects that button of the group
  ViewRange,    // the slider's position
  Price,        // the price (pricePerkWh)
};

// The rows, in file order:
//   ROW(key, control, section, form, read, lo, hi, emptyAllowed, member)
// control is the designer name of the control or option group ("" for none); lo and hi
// are the range the reader accepts (the ranges of the setup fields, so a value the user
// could save is read back); emptyAllowed: an empty value is taken (the factory settings
// leave the field empty). member is the Settings member the key's field rule sets:
//   ZAV_SETTING(type, name, start)  a member that also has a global of that name (globals.h)
//   ZAV_SETTING_ONLY(type, name, start)  a member with no global
//   ZAV_NO_SETTING  the key sets no member of its own (a comment, a twin field, a part of a
//                   derived value such as vtEnergy or mouseMeasureFlags)
// Settings members come from the argument by token pasting, so the markers need no definition.
#define ZAV_INI_KEYS(ROW)                                                                                    \
  ROW("title", "", Header, Header, Ignore, 0, 0, false, ZAV_NO_SETTING)                                      \
  ROW("version", "", Header, Header, Ignore, 0, 0, false, ZAV_NO_SETTING)                                    \
  ROW("currentDir", "Text2(0)", Files, Comment, Ignore, 0, 0, false, ZAV_NO_SETTING)                         \
  ROW("iniFileName", "Text2(1)", Files, Comment, Ignore, 0, 0, false, ZAV_SETTING(QString, iniFileName, {})) \
  ROW("zavDatFileName(0)", "Text2(2)", Files, Quoted, FileName, 0, 0, false,                                 \
      ZAV_SETTING_ONLY(FileNamePair, zavDatFileName, {}))                                                    \
  ROW("zavDatFileName(1)", "Text2(3)", Files, Quoted, FileName, 0, 0, false, ZAV_NO_SETTING)                 \
  ROW("hlpFileName", "Text2(4)", Files, Comment, Ignore, 0, 0, false, ZAV_SETTING(QString, hlpFileName, {})) \
  ROW("zavLogFileName", "Text2(5)", Files, Quoted, FileName, 0, 0, false,                                    \
      ZAV_SETTING(QString, zavLogFileName, {}))                                                              \
  ROW("zavPlotFileName", "Text2(7)", Files, Quoted, FileName, 0, 0, false,                                   \
      ZAV_SETTING(QString, zavPlotFileName, {}))                                                             \
  ROW("appLogPath", "Text2(6)", Files, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                       \
  ROW("comPort", "Text1(0)", SetUp, Text, Integer, 0, 16, true, ZAV_SETTING(int16_t, comPort, 0))            \
  ROW("prescale", "Text1(1)", SetUp, Text, Integer, 1, 10000, false, ZAV_SETTING(int16_t, prescale, 1))      \
  ROW("maxPlotPoints", "Text1(2)", SetUp, Text, Integer, 2, 10000, false,                                    \
      ZAV_SETTING(int32_t, maxPlotPoints, 0))                                                                \
  ROW("msgLevel", "Text1(3)", SetUp, Text, Integer, 0, 9, false, ZAV_SETTING(int16_t, msgLevel, 4))          \
  ROW("maxZavFileSize", "Text1(4)", SetUp, Text, Double, 0, 2047, true,                                      \
      ZAV_SETTING(double, maxZavFileSize, 0))                                                                \
  ROW("y1ScaleMax", "Text1(5)", SetUp, Text, Double, -1000000, 1000000, false,                               \
      ZAV_SETTING(double, y1ScaleMax, 0))                                                                    \
  ROW("y1ScaleMin", "Text1(6)", SetUp, Text, Double, -1000000, 1000000, false,                               \
      ZAV_SETTING(double, y1ScaleMin, 0))                                                                    \
  ROW("y2ScaleMax", "Text1(7)", SetUp, Text, Double, -1000000, 1000000, false,                               \
      ZAV_SETTING(double, y2ScaleMax, 0))                                                                    \
  ROW("y2ScaleMin", "Text1(8)", SetUp, Text, Double, -1000000, 1000000, false,                               \
      ZAV_SETTING(double, y2ScaleMin, 0))                                                                    \
  ROW("vtStdEnergyTitle", "Text1(33)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("vtStdEnergyFactor", "Text1(34)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)                 \
  ROW("vtStdEnergyDecimals", "Text1(35)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)               \
  ROW("vtStdEnergyUnit", "Text1(36)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                 \
  ROW("vtStdPowerTitle", "Text1(37)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                 \
  ROW("vtStdPowerFactor", "Text1(38)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)                  \
  ROW("vtStdPowerDecimals", "Text1(39)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("vtStdPowerUnit", "Text1(40)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                  \
  ROW("vtUsrEnergyTitle", "Text1(41)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("vtUsrEnergyFactor", "Text1(42)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)                 \
  ROW("vtUsrEnergyDecimals", "Text1(43)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)               \
  ROW("vtUsrEnergyUnit", "Text1(44)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                 \
  ROW("vtUsrPowerTitle", "Text1(45)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                 \
  ROW("vtUsrPowerFactor", "Text1(46)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)                  \
  ROW("vtUsrPowerDecimals", "Text1(47)", SetUp, Text, FieldText, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("vtUsrPowerUnit", "Text1(48)", SetUp, Quoted, FieldText, 0, 0, false, ZAV_NO_SETTING)                  \
  ROW("vtUsrEnergyUse", "Check11(0)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)                     \
  ROW("vtUsrPowerUse", "Check11(1)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)                      \
  ROW("ticksPerSec", "Text1(11)", SetUp, Text, Double, 0, 1000000, false,                                    \
      ZAV_SETTING(double, ticksPerSec, 0))                                                                   \
  ROW("pulsesPerRev", "Text1(12)", SetUp, Text, Double, 0, 1000000, false,                                   \
      ZAV_SETTING(double, pulsesPerRev, 0))                                                                  \
  ROW("comSetting", "Text1(14)", SetUp, Quoted, FieldText, 0, 0, false,                                      \
      ZAV_SETTING(QString, comSetting, {}))                                                                  \
  ROW("revsPerkWh", "Text1(15)", SetUp, Text, Double, 1, 100000, false,                                      \
      ZAV_SETTING(double, revsPerkWh, 300.0))                                                                \
  ROW("maxMeterPower", "Text1(16)", SetUp, Text, Double, 0.1, 1000000, false,                                \
      ZAV_SETTING(double, maxMeterPower, 0))                                                                 \
  ROW("minUpdateInterval", "Text1(17)", SetUp, Text, Double, 0, 1000000, false,                              \
      ZAV_SETTING(double, minUpdateInterval, 0))                                                             \
  ROW("maxUpdateInterval", "Text1(18)", SetUp, Text, Double, 0, 1000000, false,                              \
      ZAV_SETTING(double, maxUpdateInterval, 0))                                                             \
  ROW("ZAVdetectorVer", "Text1(19)", SetUp, Text, Double, 0, 1000000000, false,                              \
      ZAV_SETTING(int32_t, ZAVdetectorVer, 0))                                                               \
  ROW("ZAVmeterID", "Text1(20)", SetUp, Text, Double, 0, 1000000000, false,                                  \
      ZAV_SETTING(int32_t, ZAVmeterID, 0))                                                                   \
  ROW("ifType", "Option1", SetUp, Index, OptionIndex, 0, 0, false, ZAV_SETTING(int16_t, ifType, 0))          \
  ROW("timerType", "Option2", SetUp, Index, OptionIndex, 0, 0, false, ZAV_SETTING(int16_t, timerType, 0))    \
  ROW("reduceMethod", "Option3", SetUp, Index, OptionIndex, 0, 0, false,                                     \
      ZAV_SETTING(int16_t, reduceMethod, 0))                                                                 \
  ROW("yPowerScale", "Option5", SetUp, Index, OptionIndex, 0, 0, false,                                      \
      ZAV_SETTING(int16_t, yPowerScale, 0))                                                                  \
  ROW("yTempScale", "Option6", SetUp, Index, OptionIndex, 0, 0, false, ZAV_SETTING(int16_t, yTempScale, 0))  \
  ROW("textFileWriteInterval", "Option7", SetUp, Index, OptionIndex, 0, 0, false,                            \
      ZAV_SETTING(int16_t, textFileWriteInterval, 0))                                                        \
  ROW("countsPerkWh", "Text1(13)", SetUp, Text, Double, 1, 100000, false, ZAV_NO_SETTING)                    \
  ROW("meterFullScale", "Text1(24)", SetUp, Text, Ignore, 0, 0, false, ZAV_NO_SETTING)                       \
  ROW("fixedPlotSize", "Check1(3)", SetUp, Flag, Boolean, 0, 0, false,                                       \
      ZAV_SETTING(bool, fixedPlotSize, false))                                                               \
  ROW("plotWidth", "Text1(25)", SetUp, Text, Integer, 100, 2000, false,                                      \
      ZAV_SETTING(int32_t, plotWidth, 600))                                                                  \
  ROW("plotHeight", "Text1(26)", SetUp, Text, Integer, 100, 2000, false,                                     \
      ZAV_SETTING(int32_t, plotHeight, 400))                                                                 \
  ROW("plotBackgroundColor", "Text1(27)", SetUp, Quoted, FieldText, 0, 0, false,                             \
      ZAV_SETTING(int32_t, plotBackgroundColor, 0))                                                          \
  ROW("plotPointMarks", "Check1(5)", SetUp, Flag, Boolean, 0, 0, false,                                      \
      ZAV_SETTING(bool, plotPointMarks, false))                                                              \
  ROW("DrawOrthogonalLines", "Check1(8)", SetUp, Flag, Boolean, 0, 0, false,                                 \
      ZAV_SETTING(bool, DrawOrthogonalLines, false))                                                         \
  ROW("DrawPowerInBackground", "Check1(9)", SetUp, Flag, Boolean, 0, 0, false,                               \
      ZAV_SETTING(bool, DrawPowerInBackground, false))                                                       \
  ROW("ReferencePowerEndTime", "Text24", SetUp, Quoted, FieldText, 0, 0, false,                              \
      ZAV_SETTING(QString, ReferencePowerEndTime, {}))                                                       \
  ROW("mousePointerDateTime", "Check4(0)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("mousePointerAbsValue", "Check4(1)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("mouseMeasureRelDateTime", "Check5(0)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)             \
  ROW("mouseMeasureRelValue", "Check5(1)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("mouseMeasureUsedEnergy", "Check5(2)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)              \
  ROW("mouseMeasureAvgPower", "Check5(3)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)                \
  ROW("mouseMeasureRelAvgPower", "Check5(4)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)             \
  ROW("mouseMeasureRelUsedEnergy", "Check5(5)", SetUp, Flag, Boolean, 0, 0, false, ZAV_NO_SETTING)           \
  ROW("overWriteLast", "Check1(6)", SetUp, Flag, Boolean, 0, 0, false,                                       \
      ZAV_SETTING(bool, overWriteLast, false))                                                               \
  ROW("minTextFileSaveInterval", "Text1(28)", SetUp, Quoted, FieldText, 0, 0, false,                         \
      ZAV_SETTING(Date, minTextFileSaveInterval, 0))                                                         \
  ROW("ringBell", "Check1(0)", SetUp, Flag, Boolean, 0, 0, false, ZAV_SETTING(bool, ringBell, false))        \
  ROW("startOnLine", "Check1(1)", SetUp, Flag, Boolean, 0, 0, false, ZAV_SETTING(bool, startOnLine, false))  \
  ROW("advancedFunctions", "Check1(2)", SetUp, Flag, Ignore, 0, 0, false,                                    \
      ZAV_SETTING(bool, advancedFunctions, false))                                                           \
  ROW("startWithAutoPlot", "Check1(4)", SetUp, Flag, Boolean, 0, 0, false,                                   \
      ZAV_SETTING(bool, startWithAutoPlot, false))                                                           \
  ROW("startMimimized", "Check1(10)", SetUp, Flag, Boolean, 0, 0, false,                                     \
      ZAV_SETTING(bool, startMinimized, false))                                                              \
  ROW("webServerPort", "Text18", SetUp, Quoted, FieldText, 0, 0, false,                                      \
      ZAV_SETTING_ONLY(QString, webPortText, {}))                                                            \
  ROW("runWebServer", "Check1(7)", SetUp, Flag, Boolean, 0, 0, false,                                        \
      ZAV_SETTING(bool, runWebServer, false))                                                                \
  ROW("webRoot", "txtWebRoot", SetUp, Quoted, FieldText, 0, 0, false,                                        \
      ZAV_SETTING_ONLY(QString, webRootText, {}))                                                            \
  ROW("webLogFile", "txtWebLogFile", SetUp, Quoted, FieldText, 0, 0, false,                                  \
      ZAV_SETTING_ONLY(QString, webLogFileText, {}))                                                         \
  ROW("writeToZAVdataFile", "Check8(0)", SetUp, Flag, Boolean, 0, 0, false,                                  \
      ZAV_SETTING(bool, writeToZAVdataFile, false))                                                          \
  ROW("writeToZAVtextFile", "Check8(1)", SetUp, Flag, Boolean, 0, 0, false,                                  \
      ZAV_SETTING(bool, writeToZAVtextFile, false))                                                          \
  ROW("savePlotToPicFile", "Check8(2)", SetUp, Flag, Boolean, 0, 0, false,                                   \
      ZAV_SETTING(bool, savePlotToPicFile, false))                                                           \
  ROW("viewRange", "Slider1", SetUp, Slider, ViewRange, 0, 0, false, ZAV_SETTING(int16_t, viewRange, 13))    \
  ROW("pricePerkWh", "", SetUp, Price, Price, 0, 0, false, ZAV_SETTING(QString, pricePerkWh, {}))

struct IniKey {
  const char* key;
  const char* control;  // designer name of the control or option group; "" for none
  IniSection section;
  IniForm form;
  IniRead read;
  double lo = 0, hi = 0;
  bool emptyAllowed = false;  // an empty value is taken (the factory settings leave the field empty)
};

std::span<const IniKey> iniKeys();
// nullptr for a key that is not in the table.
const IniKey* findIniKey(const QString& key);
