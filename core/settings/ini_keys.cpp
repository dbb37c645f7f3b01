#include "core/settings/ini_keys.h"

#include <QHash>

#include "core/globals.h"

namespace {
using S = IniSection;
using F = IniForm;
using R = IniRead;

// File order. The reader takes the ranges the setup fields accept, so a value
// the user could save is read back.
const IniKey kIniKeys[] = {
    {"title", "", S::Header, F::Header, R::Ignore},
    {"version", "", S::Header, F::Header, R::Ignore},
    {"currentDir", "Text2(0)", S::Files, F::Comment, R::Ignore},
    {"iniFileName", "Text2(1)", S::Files, F::Comment, R::Ignore},
    {"zavDatFileName(0)", "Text2(2)", S::Files, F::Quoted, R::FileName, 0, 0, false, &zavDatFileName[0]},
    {"zavDatFileName(1)", "Text2(3)", S::Files, F::Quoted, R::FileName, 0, 0, false, &zavDatFileName[1]},
    {"hlpFileName", "Text2(4)", S::Files, F::Comment, R::Ignore},
    {"zavLogFileName", "Text2(5)", S::Files, F::Quoted, R::FileName, 0, 0, false, &zavLogFileName},
    {"zavPlotFileName", "Text2(7)", S::Files, F::Quoted, R::FileName, 0, 0, false, &zavPlotFileName},
    {"appLogPath", "Text2(6)", S::Files, F::Quoted, R::FieldText},
    {"comPort", "Text1(0)", S::SetUp, F::Text, R::Integer, 0, 16, true},
    {"prescale", "Text1(1)", S::SetUp, F::Text, R::Integer, 1, 10000},
    {"maxPlotPoints", "Text1(2)", S::SetUp, F::Text, R::Integer, 2, 10000},
    {"msgLevel", "Text1(3)", S::SetUp, F::Text, R::Integer, 0, 9},
    {"maxZavFileSize", "Text1(4)", S::SetUp, F::Text, R::Double, 0, 2047, true},
    {"y1ScaleMax", "Text1(5)", S::SetUp, F::Text, R::Double, -1000000, 1000000},
    {"y1ScaleMin", "Text1(6)", S::SetUp, F::Text, R::Double, -1000000, 1000000},
    {"y2ScaleMax", "Text1(7)", S::SetUp, F::Text, R::Double, -1000000, 1000000},
    {"y2ScaleMin", "Text1(8)", S::SetUp, F::Text, R::Double, -1000000, 1000000},
    {"vtStdEnergyTitle", "Text1(33)", S::SetUp, F::Quoted, R::FieldText},
    {"vtStdEnergyFactor", "Text1(34)", S::SetUp, F::Text, R::FieldText},
    {"vtStdEnergyDecimals", "Text1(35)", S::SetUp, F::Text, R::FieldText},
    {"vtStdEnergyUnit", "Text1(36)", S::SetUp, F::Quoted, R::FieldText},
    {"vtStdPowerTitle", "Text1(37)", S::SetUp, F::Quoted, R::FieldText},
    {"vtStdPowerFactor", "Text1(38)", S::SetUp, F::Text, R::FieldText},
    {"vtStdPowerDecimals", "Text1(39)", S::SetUp, F::Text, R::FieldText},
    {"vtStdPowerUnit", "Text1(40)", S::SetUp, F::Quoted, R::FieldText},
    {"vtUsrEnergyTitle", "Text1(41)", S::SetUp, F::Quoted, R::FieldText},
    {"vtUsrEnergyFactor", "Text1(42)", S::SetUp, F::Text, R::FieldText},
    {"vtUsrEnergyDecimals", "Text1(43)", S::SetUp, F::Text, R::FieldText},
    {"vtUsrEnergyUnit", "Text1(44)", S::SetUp, F::Quoted, R::FieldText},
    {"vtUsrPowerTitle", "Text1(45)", S::SetUp, F::Quoted, R::FieldText},
    {"vtUsrPowerFactor", "Text1(46)", S::SetUp, F::Text, R::FieldText},
    {"vtUsrPowerDecimals", "Text1(47)", S::SetUp, F::Text, R::FieldText},
    {"vtUsrPowerUnit", "Text1(48)", S::SetUp, F::Quoted, R::FieldText},
    {"vtUsrEnergyUse", "Check11(0)", S::SetUp, F::Flag, R::Boolean},
    {"vtUsrPowerUse", "Check11(1)", S::SetUp, F::Flag, R::Boolean},
    {"ticksPerSec", "Text1(11)", S::SetUp, F::Text, R::Double, 0, 1000000},
    {"pulsesPerRev", "Text1(12)", S::SetUp, F::Text, R::Double, 0, 1000000},
    {"comSetting", "Text1(14)", S::SetUp, F::Quoted, R::FieldText},
    {"revsPerkWh", "Text1(15)", S::SetUp, F::Text, R::Double, 1, 100000},
    {"maxMeterPower", "Text1(16)", S::SetUp, F::Text, R::Double, 0.1, 1000000},
    {"minUpdateInterval", "Text1(17)", S::SetUp, F::Text, R::Double, 0, 1000000},
    {"maxUpdateInterval", "Text1(18)", S::SetUp, F::Text, R::Double, 0, 1000000},
    {"ZAVdetectorVer", "Text1(19)", S::SetUp, F::Text, R::Double, 0, 1000000000},
    {"ZAVmeterID", "Text1(20)", S::SetUp, F::Text, R::Double, 0, 1000000000},
    {"ifType", "Option1", S::SetUp, F::Index, R::OptionIndex},
    {"timerType", "Option2", S::SetUp, F::Index, R::OptionIndex},
    {"reduceMethod", "Option3", S::SetUp, F::Index, R::OptionIndex},
    {"yPowerScale", "Option5", S::SetUp, F::Index, R::OptionIndex},
    {"yTempScale", "Option6", S::SetUp, F::Index, R::OptionIndex},
    {"textFileWriteInterval", "Option7", S::SetUp, F::Index, R::OptionIndex},
    {"countsPerkWh", "Text1(13)", S::SetUp, F::Text, R::Double, 1, 100000},
    {"meterFullScale", "Text1(24)", S::SetUp, F::Text, R::Ignore},
    {"fixedPlotSize", "Check1(3)", S::SetUp, F::Flag, R::Boolean},
    {"plotWidth", "Text1(25)", S::SetUp, F::Text, R::Integer, 100, 2000},
    {"plotHeight", "Text1(26)", S::SetUp, F::Text, R::Integer, 100, 2000},
    {"plotBackgroundColor", "Text1(27)", S::SetUp, F::Quoted, R::FieldText},
    {"plotPointMarks", "Check1(5)", S::SetUp, F::Flag, R::Boolean},
    {"DrawOrthogonalLines", "Check1(8)", S::SetUp, F::Flag, R::Boolean},
    {"DrawPowerInBackground", "Check1(9)", S::SetUp, F::Flag, R::Boolean},
    {"ReferencePowerEndTime", "Text24", S::SetUp, F::Quoted, R::FieldText},
    {"mousePointerDateTime", "Check4(0)", S::SetUp, F::Flag, R::Boolean},
    {"mousePointerAbsValue", "Check4(1)", S::SetUp, F::Flag, R::Boolean},
    {"mouseMeasureRelDateTime", "Check5(0)", S::SetUp, F::Flag, R::Boolean},
    {"mouseMeasureRelValue", "Check5(1)", S::SetUp, F::Flag, R::Boolean},
    {"mouseMeasureUsedEnergy", "Check5(2)", S::SetUp, F::Flag, R::Boolean},
    {"mouseMeasureAvgPower", "Check5(3)", S::SetUp, F::Flag, R::Boolean},
    {"mouseMeasureRelAvgPower", "Check5(4)", S::SetUp, F::Flag, R::Boolean},
    {"mouseMeasureRelUsedEnergy", "Check5(5)", S::SetUp, F::Flag, R::Boolean},
    {"overWriteLast", "Check1(6)", S::SetUp, F::Flag, R::Boolean},
    {"minTextFileSaveInterval", "Text1(28)", S::SetUp, F::Quoted, R::FieldText},
    {"ringBell", "Check1(0)", S::SetUp, F::Flag, R::Boolean},
    {"startOnLine", "Check1(1)", S::SetUp, F::Flag, R::Boolean},
    {"advancedFunctions", "Check1(2)", S::SetUp, F::Flag, R::Ignore},
    {"startWithAutoPlot", "Check1(4)", S::SetUp, F::Flag, R::Boolean},
    {"startMimimized", "Check1(10)", S::SetUp, F::Flag, R::Boolean},
    {"webServerPort", "Text18", S::SetUp, F::Quoted, R::FieldText},
    {"runWebServer", "Check1(7)", S::SetUp, F::Flag, R::Boolean},
    {"webRoot", "txtWebRoot", S::SetUp, F::Quoted, R::FieldText},
    {"webLogFile", "txtWebLogFile", S::SetUp, F::Quoted, R::FieldText},
    {"writeToZAVdataFile", "Check8(0)", S::SetUp, F::Flag, R::Boolean},
    {"writeToZAVtextFile", "Check8(1)", S::SetUp, F::Flag, R::Boolean},
    {"savePlotToPicFile", "Check8(2)", S::SetUp, F::Flag, R::Boolean},
    {"viewRange", "Slider1", S::SetUp, F::Slider, R::ViewRange},
    {"pricePerkWh", "", S::SetUp, F::Price, R::Price},
};
}  // namespace

std::span<const IniKey> iniKeys() { return kIniKeys; }

const IniKey* findIniKey(const QString& key) {
  static const QHash<QString, const IniKey*> index = [] {
    QHash<QString, const IniKey*> h;
    for (const IniKey& k : kIniKeys) h.insert(QString::fromLatin1(k.key), &k);
    return h;
  }();
  return index.value(key);
}
