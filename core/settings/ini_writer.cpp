#include "core/settings/ini_writer.h"

#include <QFile>
#include <QSaveFile>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "platform/message_box.h"

namespace {
using F = IniForm;
const QByteArray kEol = QByteArrayLiteral("\r\n");

void reportWriteFailure(const QString& proc, const QString& fileName, const QString& reason) {
  logMsg(-1, proc + QStringLiteral(": ERROR: cannot write '") + fileName + QStringLiteral("': ") + reason);
  msgBox(QStringLiteral("Cannot write the settings file:\r\n") + fileName + QStringLiteral("\r\n") + reason,
         MsgButtons::Ok, MsgIcon::Critical);
}
}  // namespace

const QList<IniEntry>& iniFilesEntries() {
  static const QList<IniEntry> k = {
      {"currentDir", "Text2(0)", F::Comment},       {"iniFileName", "Text2(1)", F::Comment},
      {"zavDatFileName(0)", "Text2(2)", F::Quoted}, {"zavDatFileName(1)", "Text2(3)", F::Quoted},
      {"hlpFileName", "Text2(4)", F::Comment},      {"zavLogFileName", "Text2(5)", F::Quoted},
      {"zavPlotFileName", "Text2(7)", F::Quoted},   {"appLogPath", "Text2(6)", F::Quoted},
  };
  return k;
}

const QList<IniEntry>& iniSetupEntries() {
  static const QList<IniEntry> k = {
      {"comPort", "Text1(0)", F::Text},
      {"prescale", "Text1(1)", F::Text},
      {"maxPlotPoints", "Text1(2)", F::Text},
      {"msgLevel", "Text1(3)", F::Text},
      {"maxZavFileSize", "Text1(4)", F::Text},
      {"y1ScaleMax", "Text1(5)", F::Text},
      {"y1ScaleMin", "Text1(6)", F::Text},
      {"y2ScaleMax", "Text1(7)", F::Text},
      {"y2ScaleMin", "Text1(8)", F::Text},
      {"vtStdEnergyTitle", "Text1(33)", F::Quoted},
      {"vtStdEnergyFactor", "Text1(34)", F::Text},
      {"vtStdEnergyDecimals", "Text1(35)", F::Text},
      {"vtStdEnergyUnit", "Text1(36)", F::Quoted},
      {"vtStdPowerTitle", "Text1(37)", F::Quoted},
      {"vtStdPowerFactor", "Text1(38)", F::Text},
      {"vtStdPowerDecimals", "Text1(39)", F::Text},
      {"vtStdPowerUnit", "Text1(40)", F::Quoted},
      {"vtUsrEnergyTitle", "Text1(41)", F::Quoted},
      {"vtUsrEnergyFactor", "Text1(42)", F::Text},
      {"vtUsrEnergyDecimals", "Text1(43)", F::Text},
      {"vtUsrEnergyUnit", "Text1(44)", F::Quoted},
      {"vtUsrPowerTitle", "Text1(45)", F::Quoted},
      {"vtUsrPowerFactor", "Text1(46)", F::Text},
      {"vtUsrPowerDecimals", "Text1(47)", F::Text},
      {"vtUsrPowerUnit", "Text1(48)", F::Quoted},
      {"vtUsrEnergyUse", "Check11(0)", F::Flag},
      {"vtUsrPowerUse", "Check11(1)", F::Flag},
      {"ticksPerSec", "Text1(11)", F::Text},
      {"pulsesPerRev", "Text1(12)", F::Text},
      {"comSetting", "Text1(14)", F::Quoted},
      {"revsPerkWh", "Text1(15)", F::Text},
      {"maxMeterPower", "Text1(16)", F::Text},
      {"minUpdateInterval", "Text1(17)", F::Text},
      {"maxUpdateInterval", "Text1(18)", F::Text},
      {"ZAVdetectorVer", "Text1(19)", F::Text},
      {"ZAVmeterID", "Text1(20)", F::Text},
      {"ifType", "Option1", F::Index},
      {"timerType", "Option2", F::Index},
      {"reduceMethod", "Option3", F::Index},
      {"yPowerScale", "Option5", F::Index},
      {"yTempScale", "Option6", F::Index},
      {"textFileWriteInterval", "Option7", F::Index},
      {"countsPerkWh", "Text1(13)", F::Text},
      {"meterFullScale", "Text1(24)", F::Text},
      {"fixedPlotSize", "Check1(3)", F::Flag},
      {"plotWidth", "Text1(25)", F::Text},
      {"plotHeight", "Text1(26)", F::Text},
      {"plotBackgroundColor", "Text1(27)", F::Quoted},
      {"plotPointMarks", "Check1(5)", F::Flag},
      {"DrawOrthogonalLines", "Check1(8)", F::Flag},
      {"DrawPowerInBackground", "Check1(9)", F::Flag},
      {"ReferencePowerEndTime", "Text24", F::Quoted},
      {"mousePointerDateTime", "Check4(0)", F::Flag},
      {"mousePointerAbsValue", "Check4(1)", F::Flag},
      {"mouseMeasureRelDateTime", "Check5(0)", F::Flag},
      {"mouseMeasureRelValue", "Check5(1)", F::Flag},
      {"mouseMeasureUsedEnergy", "Check5(2)", F::Flag},
      {"mouseMeasureAvgPower", "Check5(3)", F::Flag},
      {"mouseMeasureRelAvgPower", "Check5(4)", F::Flag},
      {"mouseMeasureRelUsedEnergy", "Check5(5)", F::Flag},
      {"overWriteLast", "Check1(6)", F::Flag},
      {"minTextFileSaveInterval", "Text1(28)", F::Quoted},
      {"ringBell", "Check1(0)", F::Flag},
      {"startOnLine", "Check1(1)", F::Flag},
      {"advancedFunctions", "Check1(2)", F::Flag},
      {"startWithAutoPlot", "Check1(4)", F::Flag},
      {"startMimimized", "Check1(10)", F::Flag},
      {"webServerPort", "Text18", F::Quoted},
      {"runWebServer", "Check1(7)", F::Flag},
      {"webRoot", "txtWebRoot", F::Quoted},
      {"webLogFile", "txtWebLogFile", F::Quoted},
      {"writeToZAVdataFile", "Check8(0)", F::Flag},
      {"writeToZAVtextFile", "Check8(1)", F::Flag},
      {"savePlotToPicFile", "Check8(2)", F::Flag},
      {"viewRange", "Slider1", F::Slider},
      {"pricePerkWh", "", F::Price},
  };
  return k;
}

int16_t getOptionIndex(const SetupControls& c, const QString& group, int16_t defaultIndex) {
  int16_t result = defaultIndex;
  for (int i = 0; i < c.count(group); ++i)
    if (c.value(group + u'(' + QString::number(i) + u')') == 1) result = int16_t(i);
  return result;
}

QByteArray iniFileText(const SetupControls& c, const QString& created) {
  QString out;
  auto line = [&](const QString& s) { out += s + QStringLiteral("\r\n"); };
  auto quoted = [](const QString& s) { return u'"' + s + u'"'; };
  line(QStringLiteral(";Zav initialization file - Created by Zav: ") + created);
  line(QStringLiteral(";loaded automatically at startup unless -noini option is used"));
  line(QStringLiteral("title=") + appName);
  line(QStringLiteral("version=%1.%2.%3")
           .arg(ZAV_VERSION_MAJOR)
           .arg(ZAV_VERSION_MINOR)
           .arg(ZAV_VERSION_REVISION));
  line(QString());
  line(QStringLiteral("[Files] ;Files specifications -------------------"));
  for (const IniEntry& e : iniFilesEntries()) {
    QString s = QString::fromLatin1(e.key) + u'=' + quoted(c.text(QString::fromLatin1(e.control)));
    if (e.form == IniForm::Comment) s += QStringLiteral("  ;comment only");
    line(s);
  }
  line(QString());
  line(QStringLiteral("[setUp] ;setUp options --------------"));
  for (const IniEntry& e : iniSetupEntries()) {
    const QString name = QString::fromLatin1(e.control);
    QString v;
    switch (e.form) {
      case IniForm::Text: v = c.text(name); break;
      case IniForm::Quoted:
      case IniForm::Comment: v = quoted(c.text(name)); break;
      case IniForm::Flag: v = c.value(name) == 1 ? QStringLiteral("1") : QStringLiteral("0"); break;
      case IniForm::Index: v = QString::number(getOptionIndex(c, name, -1)); break;
      case IniForm::Slider: v = QString::number(c.sliderValue()); break;
      case IniForm::Price: v = quoted(pricePerkWh.trimmed()); break;
    }
    line(QString::fromLatin1(e.key) + u'=' + v);
  }
  line(QString());
  return out.toUtf8();
}

bool saveIniFile(const QString& fileName, const SetupControls& c) {
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly)) {
    reportWriteFailure(QStringLiteral("saveIniFile"), fileName, f.errorString());
    return false;
  }
  const QByteArray bytes = iniFileText(c, generalDate(dateNow()));
  if (f.write(bytes) != bytes.size() || !f.commit()) {
    reportWriteFailure(QStringLiteral("saveIniFile"), fileName, f.errorString());
    return false;
  }
  return true;
}

bool addToIniFile(const QString& line) {
  QFile f(iniFileName);
  if (!f.open(QIODevice::ReadWrite)) {
    reportWriteFailure(QStringLiteral("addToIniFile"), iniFileName, f.errorString());
    return false;
  }
  QByteArray bytes;
  // A file that does not end in a line break would glue the new line to its last one.
  if (f.size() > 0 && f.seek(f.size() - 1) && f.peek(1) != "\n") bytes += kEol;
  bytes += line.toUtf8() + kEol;
  f.seek(f.size());
  if (f.write(bytes) != bytes.size() || !f.flush()) {
    reportWriteFailure(QStringLiteral("addToIniFile"), iniFileName, f.errorString());
    return false;
  }
  return true;
}
