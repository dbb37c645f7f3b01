#pragma once
// The one table of the settings, a row per key of the INI file in file order,
// then the setup controls the file does not keep. The writer walks it for the
// order and form of each line, the reader for the action and range of each key,
// the field rules for what each control's content sets, the factory defaults
// for each control's first content, and struct Settings (settings.h) takes its
// typed members from it. Keys are matched exactly (case-sensitive).

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <variant>

struct Settings;
// The data files of slots 0 (recording, plotted) and 1 (viewed).
using FileNamePair = std::array<QString, 2>;

// None: a control the file does not keep.
enum class IniSection : uint8_t { Header, Files, SetUp, None };

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

// What a control's new content sets in the row's member: the field rules.
// A refused text leaves the member as it was and shows in the error colour.
enum class FieldRule : uint8_t {
  Nothing,          // the control sets nothing of its own
  Locale,           // the text by the regional settings, as the member's type
  Size,             // Locale, never refused: the chart limits the size
  Prescale,         // lenient number rounded down, limited to [lo, hi]
  Twin,             // lenient number, kept equal in the other field of the same member
  TwinInRange,      // Twin, refused outside [lo, hi]
  NoBlanks,         // the text without blanks
  Whole,            // lenient number rounded half to even to 32 bits
  DetectorVersion,  // Whole; the renumbered controller version is taken as its new number
  Colour,           // &HBBGGRR digits; the field shows the colour and picks its text colour
  Interval,         // a date or time of day; 0 while refused
  ClockDivisor,     // the timer clock over its divisor, also shown in the member's own field
  ValueTypes,       // the Units tab: vtEnergy and vtPower built again
  Text,             // the text as it stands
  WebPort,          // the web port field by the server's rule
  Flag,             // a check box: ticked or not
  Bits,             // a box of a group: bit i of the member for each ticked box i
  Option,           // an option group: the selected button's index
  WebServer,        // "Enable Web Server": asks for the server, or stops it
  WebLogging,       // "Enable Logging to:": the box's value; locks the log file field
  Held,             // a text held outside the controls (file names, price); its field only shows it
};

// What follows a value the rule took.
enum class FieldEffect : uint8_t {
  None,
  MeterScale,        // the meter scale figures are computed again
  LogLevel,          // the message log takes the level
  InterfaceFields,   // the interface type enables the fields it uses
  PlotPointsField,   // the reduce method enables the points field
  AdvancedControls,  // the advanced controls show or hide; the main window lays itself out again
};

struct FieldRules {
  FieldRule rule = FieldRule::Nothing;
  FieldEffect effect = FieldEffect::None;
  constexpr FieldRules(FieldRule r, FieldEffect e = FieldEffect::None) : rule(r), effect(e) {}
};
constexpr FieldRules operator|(FieldRule r, FieldEffect e) { return {r, e}; }

// The Settings member a row's rule sets; for the data files' pair, one slot of it.
struct SettingRef {
  std::variant<std::monostate, bool Settings::*, int16_t Settings::*, int32_t Settings::*, double Settings::*,
               QString Settings::*, FileNamePair Settings::*>
      member;
  int slot = 0;
};

// The rows, INI file order first:
//   ROW(key, control, section, form, read, lo, hi, emptyAllowed, rules, factory, member)
// key: "" for a control the file does not keep. control: the designer name of the control or
// option group ("" for none). lo and hi: the range the reader accepts, the same as the field's
// where the field has one (so a value the user could save is read back), and the limits of a
// ranged rule. emptyAllowed: an empty value is read back (the factory settings leave the field
// empty). rules: the field rule, "| effect" for what follows it. factory: the control's content
// after "Restore factory defaults" (a box's or an option group's value, a held text with
// {dir}, {base}, {cwd} or {applog} for the program's folder, base name, the current folder and
// the application log's path); nullptr where restoring keeps what the control holds.
// member, the Settings member the rule sets:
//   ZAV_SETTING(type, name, start)  declares it, with its value before any setting is applied
//   ZAV_SETS(name)                  one declared by another row or beside the table (settings.h)
//   ZAV_SLOT(name, slot)            one slot of the data files' pair
//   ZAV_NO_SETTING                  none
// The markers are pasted onto the consumers' own macro names, so they need no definition.
#define ZAV_INI_KEYS(ROW)                                                                                    \
  ROW("title", "", Header, Header, Ignore, 0, 0, false, Nothing, nullptr, ZAV_NO_SETTING)                    \
  ROW("version", "", Header, Header, Ignore, 0, 0, false, Nothing, nullptr, ZAV_NO_SETTING)                  \
  ROW("currentDir", "Text2(0)", Files, Comment, Ignore, 0, 0, false, Nothing, "{cwd}", ZAV_NO_SETTING)       \
  ROW("iniFileName", "Text2(1)", Files, Comment, Ignore, 0, 0, false, Held, "{dir}{base}.INI",               \
      ZAV_SETTING(QString, iniFileName, {}))                                                                 \
  ROW("zavDatFileName(0)", "Text2(2)", Files, Quoted, FileName, 0, 0, false, Held, "{dir}pwrData.ZAV",       \
      ZAV_SETTING(FileNamePair, zavDatFileName, {}))                                                         \
  ROW("zavDatFileName(1)", "Text2(3)", Files, Quoted, FileName, 0, 0, false, Held, "{dir}pwrData.ZAV",       \
      ZAV_SLOT(zavDatFileName, 1))                                                                           \
  ROW("hlpFileName", "Text2(4)", Files, Comment, Ignore, 0, 0, false, Held, "{dir}{base}.HLP",               \
      ZAV_SETTING(QString, hlpFileName, {}))                                                                 \
  ROW("zavLogFileName", "Text2(5)", Files, Quoted, FileName, 0, 0, false, Held, "{dir}zavLog.TXT",           \
      ZAV_SETTING(QString, zavLogFileName, {}))                                                              \
  ROW("zavPlotFileName", "Text2(7)", Files, Quoted, FileName, 0, 0, false, Held, "{dir}zavPlot.PNG",         \
      ZAV_SETTING(QString, zavPlotFileName, {}))                                                             \
  ROW("appLogPath", "Text2(6)", Files, Quoted, FieldText, 0, 0, false, Nothing, "{applog}", ZAV_NO_SETTING)  \
  ROW("comPort", "Text1(0)", SetUp, Text, Integer, 0, 16, true, Locale, "",                                  \
      ZAV_SETTING(int16_t, comPort, 0))                                                                      \
  ROW("prescale", "Text1(1)", SetUp, Text, Integer, 1, 10000, false, Prescale | MeterScale, "1",             \
      ZAV_SETTING(int16_t, prescale, 1))                                                                     \
  ROW("maxPlotPoints", "Text1(2)", SetUp, Text, Integer, 2, 10000, false, Locale, "300",                     \
      ZAV_SETTING(int32_t, maxPlotPoints, 0))                                                                \
  ROW("msgLevel", "Text1(3)", SetUp, Text, Integer, 0, 9, false, Locale | LogLevel, "4",                     \
      ZAV_SETTING(int16_t, msgLevel, 4))                                                                     \
  ROW("maxZavFileSize", "Text1(4)", SetUp, Text, Double, 0, 2047, true, Locale, nullptr,                     \
      ZAV_SETTING(double, maxZavFileSize, 0))                                                                \
  ROW("y1ScaleMax", "Text1(5)", SetUp, Text, Double, -1000000, 1000000, false, Locale, "8000",               \
      ZAV_SETTING(double, y1ScaleMax, 0))                                                                    \
  ROW("y1ScaleMin", "Text1(6)", SetUp, Text, Double, -1000000, 1000000, false, Locale, "0",                  \
      ZAV_SETTING(double, y1ScaleMin, 0))                                                                    \
  ROW("y2ScaleMax", "Text1(7)", SetUp, Text, Double, -1000000, 1000000, false, Locale, "50",                 \
      ZAV_SETTING(double, y2ScaleMax, 0))                                                                    \
  ROW("y2ScaleMin", "Text1(8)", SetUp, Text, Double, -1000000, 1000000, false, Locale, "-30",                \
      ZAV_SETTING(double, y2ScaleMin, 0))                                                                    \
  ROW("vtStdEnergyTitle", "Text1(33)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "",                \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtStdEnergyFactor", "Text1(34)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "1",                \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtStdEnergyDecimals", "Text1(35)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "0",              \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtStdEnergyUnit", "Text1(36)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "Wh",               \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtStdPowerTitle", "Text1(37)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "Power",            \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtStdPowerFactor", "Text1(38)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "1", ZAV_NO_SETTING) \
  ROW("vtStdPowerDecimals", "Text1(39)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "0",               \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtStdPowerUnit", "Text1(40)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "W", ZAV_NO_SETTING) \
  ROW("vtUsrEnergyTitle", "Text1(41)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "Energikostnad",   \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrEnergyFactor", "Text1(42)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "0,001",            \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrEnergyDecimals", "Text1(43)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "2",              \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrEnergyUnit", "Text1(44)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "kr",               \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrPowerTitle", "Text1(45)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "Effekt",           \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrPowerFactor", "Text1(46)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "8,766",             \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrPowerDecimals", "Text1(47)", SetUp, Text, FieldText, 0, 0, false, ValueTypes, "0",               \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrPowerUnit", "Text1(48)", SetUp, Quoted, FieldText, 0, 0, false, ValueTypes, "kr/år",             \
      ZAV_NO_SETTING)                                                                                        \
  ROW("vtUsrEnergyUse", "Check11(0)", SetUp, Flag, Boolean, 0, 0, false, ValueTypes, "0", ZAV_NO_SETTING)    \
  ROW("vtUsrPowerUse", "Check11(1)", SetUp, Flag, Boolean, 0, 0, false, ValueTypes, "0", ZAV_NO_SETTING)     \
  ROW("ticksPerSec", "Text1(11)", SetUp, Text, Double, 0, 1000000, false, Locale | MeterScale, nullptr,      \
      ZAV_SETTING(double, ticksPerSec, 0))                                                                   \
  ROW("pulsesPerRev", "Text1(12)", SetUp, Text, Double, 0, 1000000, false, Locale | MeterScale, "1",         \
      ZAV_SETTING(double, pulsesPerRev, 0))                                                                  \
  ROW("comSetting", "Text1(14)", SetUp, Quoted, FieldText, 0, 0, false, NoBlanks, "",                        \
      ZAV_SETTING(QString, comSetting, {}))                                                                  \
  ROW("revsPerkWh", "Text1(15)", SetUp, Text, Double, 1, 100000, false, TwinInRange | MeterScale, "1000",    \
      ZAV_SETTING(double, revsPerkWh, 300.0))                                                                \
  ROW("maxMeterPower", "Text1(16)", SetUp, Text, Double, 0.1, 1000000, false, TwinInRange | MeterScale,      \
      "40000", ZAV_SETTING(double, maxMeterPower, 0))                                                        \
  ROW("minUpdateInterval", "Text1(17)", SetUp, Text, Double, 0, 1000000, false, Twin | MeterScale, "6",      \
      ZAV_SETTING(double, minUpdateInterval, 0))                                                             \
  ROW("maxUpdateInterval", "Text1(18)", SetUp, Text, Double, 0, 1000000, false, Twin | MeterScale, "12",     \
      ZAV_SETTING(double, maxUpdateInterval, 0))                                                             \
  ROW("ZAVdetectorVer", "Text1(19)", SetUp, Text, Double, 0, 1000000000, false, DetectorVersion, "24840",    \
      ZAV_SETTING(int32_t, ZAVdetectorVer, 0))                                                               \
  ROW("ZAVmeterID", "Text1(20)", SetUp, Text, Double, 0, 1000000000, false, Whole, "0",                      \
      ZAV_SETTING(int32_t, ZAVmeterID, 0))                                                                   \
  ROW("ifType", "Option1", SetUp, Index, OptionIndex, 0, 0, false, Option | InterfaceFields, "2",            \
      ZAV_SETTING(int16_t, ifType, 0))                                                                       \
  ROW("timerType", "Option2", SetUp, Index, OptionIndex, 0, 0, false, Option, "1",                           \
      ZAV_SETTING(int16_t, timerType, 0))                                                                    \
  ROW("reduceMethod", "Option3", SetUp, Index, OptionIndex, 0, 0, false, Option | PlotPointsField, "2",      \
      ZAV_SETTING(int16_t, reduceMethod, 0))                                                                 \
  ROW("yPowerScale", "Option5", SetUp, Index, OptionIndex, 0, 0, false, Option, "1",                         \
      ZAV_SETTING(int16_t, yPowerScale, 0))                                                                  \
  ROW("yTempScale", "Option6", SetUp, Index, OptionIndex, 0, 0, false, Option, "1",                          \
      ZAV_SETTING(int16_t, yTempScale, 0))                                                                   \
  ROW("textFileWriteInterval", "Option7", SetUp, Index, OptionIndex, 0, 0, false, Option, "3",               \
      ZAV_SETTING(int16_t, textFileWriteInterval, 0))                                                        \
  ROW("countsPerkWh", "Text1(13)", SetUp, Text, Double, 1, 100000, false, TwinInRange | MeterScale, "1000",  \
      ZAV_SETS(revsPerkWh))                                                                                  \
  ROW("meterFullScale", "Text1(24)", SetUp, Text, Ignore, 0.1, 1000000, false, TwinInRange | MeterScale,     \
      "8000", ZAV_SETS(maxMeterPower))                                                                       \
  ROW("fixedPlotSize", "Check1(3)", SetUp, Flag, Boolean, 0, 0, false, Flag, "0",                            \
      ZAV_SETTING(bool, fixedPlotSize, false))                                                               \
  ROW("plotWidth", "Text1(25)", SetUp, Text, Integer, 100, 2000, false, Size, "600",                         \
      ZAV_SETTING(int32_t, plotWidth, 600))                                                                  \
  ROW("plotHeight", "Text1(26)", SetUp, Text, Integer, 100, 2000, false, Size, "400",                        \
      ZAV_SETTING(int32_t, plotHeight, 400))                                                                 \
  ROW("plotBackgroundColor", "Text1(27)", SetUp, Quoted, FieldText, 0, 0, false, Colour, "80 FF FF",         \
      ZAV_SETTING(int32_t, plotBackgroundColor, 0))                                                          \
  ROW("plotPointMarks", "Check1(5)", SetUp, Flag, Boolean, 0, 0, false, Flag, "0",                           \
      ZAV_SETTING(bool, plotPointMarks, false))                                                              \
  ROW("DrawOrthogonalLines", "Check1(8)", SetUp, Flag, Boolean, 0, 0, false, Flag, nullptr,                  \
      ZAV_SETTING(bool, DrawOrthogonalLines, false))                                                         \
  ROW("DrawPowerInBackground", "Check1(9)", SetUp, Flag, Boolean, 0, 0, false, Flag, nullptr,                \
      ZAV_SETTING(bool, DrawPowerInBackground, false))                                                       \
  ROW("ReferencePowerEndTime", "Text24", SetUp, Quoted, FieldText, 0, 0, false, Text, "",                    \
      ZAV_SETTING(QString, ReferencePowerEndTime, {}))                                                       \
  ROW("mousePointerDateTime", "Check4(0)", SetUp, Flag, Boolean, 0, 0, false, Bits, "1",                     \
      ZAV_SETS(mousePointerFlags))                                                                           \
  ROW("mousePointerAbsValue", "Check4(1)", SetUp, Flag, Boolean, 0, 0, false, Bits, "1",                     \
      ZAV_SETS(mousePointerFlags))                                                                           \
  ROW("mouseMeasureRelDateTime", "Check5(0)", SetUp, Flag, Boolean, 0, 0, false, Bits, "1",                  \
      ZAV_SETS(mouseMeasureFlags))                                                                           \
  ROW("mouseMeasureRelValue", "Check5(1)", SetUp, Flag, Boolean, 0, 0, false, Bits, "1",                     \
      ZAV_SETS(mouseMeasureFlags))                                                                           \
  ROW("mouseMeasureUsedEnergy", "Check5(2)", SetUp, Flag, Boolean, 0, 0, false, Bits, nullptr,               \
      ZAV_SETS(mouseMeasureFlags))                                                                           \
  ROW("mouseMeasureAvgPower", "Check5(3)", SetUp, Flag, Boolean, 0, 0, false, Bits, nullptr,                 \
      ZAV_SETS(mouseMeasureFlags))                                                                           \
  ROW("mouseMeasureRelAvgPower", "Check5(4)", SetUp, Flag, Boolean, 0, 0, false, Bits, nullptr,              \
      ZAV_SETS(mouseMeasureFlags))                                                                           \
  ROW("mouseMeasureRelUsedEnergy", "Check5(5)", SetUp, Flag, Boolean, 0, 0, false, Bits, "1",                \
      ZAV_SETS(mouseMeasureFlags))                                                                           \
  ROW("overWriteLast", "Check1(6)", SetUp, Flag, Boolean, 0, 0, false, Flag, "0",                            \
      ZAV_SETTING(bool, overWriteLast, false))                                                               \
  ROW("minTextFileSaveInterval", "Text1(28)", SetUp, Quoted, FieldText, 0, 0, false, Interval, "1",          \
      ZAV_SETTING(Date, minTextFileSaveInterval, 0))                                                         \
  ROW("ringBell", "Check1(0)", SetUp, Flag, Boolean, 0, 0, false, Flag, "0",                                 \
      ZAV_SETTING(bool, ringBell, false))                                                                    \
  ROW("startOnLine", "Check1(1)", SetUp, Flag, Boolean, 0, 0, false, Flag, "1",                              \
      ZAV_SETTING(bool, startOnLine, false))                                                                 \
  ROW("advancedFunctions", "Check1(2)", SetUp, Flag, Ignore, 0, 0, false, Flag | AdvancedControls, "0",      \
      ZAV_SETTING(bool, advancedFunctions, false))                                                           \
  ROW("startWithAutoPlot", "Check1(4)", SetUp, Flag, Boolean, 0, 0, false, Flag, "0",                        \
      ZAV_SETTING(bool, startWithAutoPlot, false))                                                           \
  ROW("startMimimized", "Check1(10)", SetUp, Flag, Boolean, 0, 0, false, Flag, "0",                          \
      ZAV_SETTING(bool, startMinimized, false))                                                              \
  ROW("webServerPort", "Text18", SetUp, Quoted, FieldText, 0, 0, false, WebPort, "",                         \
      ZAV_SETTING(QString, webPortText, {}))                                                                 \
  ROW("runWebServer", "Check1(7)", SetUp, Flag, Boolean, 0, 0, false, Flag, "1",                             \
      ZAV_SETTING(bool, runWebServer, false))                                                                \
  ROW("webRoot", "txtWebRoot", SetUp, Quoted, FieldText, 0, 0, false, Text, "",                              \
      ZAV_SETTING(QString, webRootText, {}))                                                                 \
  ROW("webLogFile", "txtWebLogFile", SetUp, Quoted, FieldText, 0, 0, false, Text, "",                        \
      ZAV_SETTING(QString, webLogFileText, {}))                                                              \
  ROW("writeToZAVdataFile", "Check8(0)", SetUp, Flag, Boolean, 0, 0, false, Flag, "1",                       \
      ZAV_SETTING(bool, writeToZAVdataFile, false))                                                          \
  ROW("writeToZAVtextFile", "Check8(1)", SetUp, Flag, Boolean, 0, 0, false, Flag, "1",                       \
      ZAV_SETTING(bool, writeToZAVtextFile, false))                                                          \
  ROW("savePlotToPicFile", "Check8(2)", SetUp, Flag, Boolean, 0, 0, false, Flag, "0",                        \
      ZAV_SETTING(bool, savePlotToPicFile, false))                                                           \
  ROW("viewRange", "Slider1", SetUp, Slider, ViewRange, 0, 0, false, Nothing, "13",                          \
      ZAV_SETTING(int16_t, viewRange, 13))                                                                   \
  ROW("pricePerkWh", "", SetUp, Price, Price, 0, 0, false, Held, "1.00",                                     \
      ZAV_SETTING(QString, pricePerkWh, {}))                                                                 \
  ROW("", "Text1(29)", None, Text, Ignore, 0, 0, false, ClockDivisor | MeterScale, "1000000",                \
      ZAV_SETS(ticksPerSec))                                                                                 \
  ROW("", "Text1(30)", None, Text, Ignore, 0, 0, false, ClockDivisor | MeterScale, "8",                      \
      ZAV_SETS(ticksPerSec))                                                                                 \
  ROW("", "Text1(31)", None, Text, Ignore, 0, 0, false, Twin | MeterScale, nullptr,                          \
      ZAV_SETS(minUpdateInterval))                                                                           \
  ROW("", "Text1(32)", None, Text, Ignore, 0, 0, false, Twin | MeterScale, nullptr,                          \
      ZAV_SETS(maxUpdateInterval))                                                                           \
  ROW("", "Text5(7)", None, Text, Ignore, 0, 0, false, Nothing | MeterScale, nullptr, ZAV_NO_SETTING)        \
  ROW("", "Check9", None, Flag, Ignore, 0, 0, false, WebServer, "0", ZAV_NO_SETTING)                         \
  ROW("", "cheLogging", None, Flag, Ignore, 0, 0, false, WebLogging, "0", ZAV_SETS(webLogging))

struct IniKey {
  const char* key;      // "" for a control the file does not keep
  const char* control;  // designer name of the control or option group; "" for none
  IniSection section;
  IniForm form;
  IniRead read;
  double lo = 0, hi = 0;
  bool emptyAllowed = false;  // an empty value is taken (the factory settings leave the field empty)
  FieldRules rules;
  const char* factory;  // nullptr: restoring the factory defaults keeps the content
  SettingRef member;
};

// Every row, in the table's order.
std::span<const IniKey> iniKeys();
// nullptr for a key that is not in the table.
const IniKey* findIniKey(const QString& key);
// The row of a control or option group ("Text1(13)", "Option1"); nullptr for none.
const IniKey* findControlRow(const QString& control);
// The other field of a twin pair (the row whose twin rule keeps the same member); nullptr for none.
const IniKey* twinRow(const IniKey& row);
