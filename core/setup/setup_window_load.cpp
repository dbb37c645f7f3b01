// The setup window's load handler and applySetupSettings: the second half of start-up.
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include "core/app_windows.h"
#include "core/settings/factory_defaults.h"
#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/settings/ini_reader.h"
#include "core/log/logmsg.h"
#include "core/main_window_calls.h"
#include "core/setup/setup_window.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "meter/window/brand.h"
#include "platform/app_event_log.h"
#include "platform/tick_clock.h"

namespace {
QString crlf(const QString& s) { return s + QStringLiteral("\r\n"); }

// The program's arguments as one text, to look for "-noini" anywhere.
QString commandLineText() {
  QStringList args = QCoreApplication::arguments();
  if (!args.isEmpty()) args.removeFirst();
  return args.join(u' ');
}
}  // namespace

void loadSetupWindowHidden() {
  if (frmSetup()) return;
  auto* w = new SetupWindow;
  w->formLoad(!commandLineText().toLower().contains(QStringLiteral("-noini")));
}

QString SetupWindow::diagnosticHeader() const {
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  const QString n = QString::number(ZAV_VERSION_MAJOR), m = QString::number(ZAV_VERSION_MINOR),
                r = QString::number(ZAV_VERSION_REVISION);
  QString t = crlf(QStringLiteral("defDirName       =") + defDirName) + crlf(QString());
  t += crlf(appName) + crlf(QString());
  const std::pair<const char*, QString> rows[] = {
      {"App.Comments       =", QString()},
      {"App.CompanyName    =", QString()},
      {"App.EXEName        =", exe.completeBaseName()},
      {"App.FileDescription=", QString()},
      {"App.HelpFile       =", QString()},
      {"App.LegalCopyright =", QString()},
      {"App.LegalTrademarks=", QString()},
      {"App.LogMode        =", QString::number(appLogCurrentMode())},
      {"App.LogPath        =", appLogPath()},
      {"App.Major          =", n},
      {"App.Minor          =", m},
      {"App.Path           =", exe.absolutePath()},
      {"App.ProductName    =", appName},
      {"App.Revision       =", r},
      {"App.StartMode      =", QStringLiteral("0")},
      {"App.title          =", appName},
      {"App.ThreadID       =", QString::number(gettid())},
  };
  for (const auto& [label, value] : rows) t += crlf(QString::fromLatin1(label) + value);
  t += crlf(QString());
  t += crlf(QStringLiteral("          progStartTicks(hex)=") + hex4(progStartTicks));
  t += crlf(QStringLiteral("          progStartTicks     =") + QString::number(progStartTicks));
  return t;
}

void SetupWindow::formLoad(bool readIni) {
  setWindowIcon(brandIcon());
  if (appName == u"Falvor")
    for (const char* n : {"Label1(15)", "Text1(14)", "Check1(2)"}) setVisible(QString::fromLatin1(n), false);
  progStartTicks = timeGetTime();
  m_slider.setSliderRange();

  const FactoryPaths paths = currentFactoryPaths();
  iniFileName = defDirName + paths.exeBase + QStringLiteral(".INI");
  zavDatFileName[0] = zavDatFileName[1] = defDirName + QStringLiteral("pwrData.ZAV");
  hlpFileName = defDirName + paths.exeBase + QStringLiteral(".HLP");
  zavLogFileName = defDirName + QStringLiteral("zavLog.TXT");
  zavPlotFileName = defDirName + QStringLiteral("zavPlot.GIF");

  logMsgCourier(diagnosticHeader());
  const int32_t t = progStartTicks, minusOne = -1;
  QString ticks = crlf(QStringLiteral("msElapsed(1, progStartTicks) =") + strPlain(msElapsed(1, t)));
  ticks += crlf(QStringLiteral("msElapsed(-1, progStartTicks)=") + strPlain(msElapsed(minusOne, t)));
  ticks += crlf(QStringLiteral("msElapsed(progStartTicks, 1) =") + strPlain(msElapsed(t, 1)));
  ticks += crlf(QStringLiteral("msElapsed(progStartTicks, -1)=") + strPlain(msElapsed(t, minusOne)));
  logMsgCourier(ticks);

  auto* modes = qobject_cast<QComboBox*>(control("Combo1"));
  modes->clear();
  modes->addItems({"vbLogAuto", "VbLogOff", "VbLogToFile", "VbLogToNT"});
  modes->setCurrentIndex(0);

  for (int i = 0; i < m_tabs->count(); ++i)
    m_tabs->setTabVisible(i, m_tabs->tabText(i) != u"AppLog" && m_tabs->tabText(i) != u"Detector Setup");
  if (debugMode != 0) {
    Check7()->setVisible(true);
    setValue("Check7", debugMode >= 1 ? 1 : 0);
    setDebugMode();
  }
  m_slider.setEventCounters(32762);
  applySetupSettings(true);
  if (readIni) {
    loadINIfile(iniFileName, *this);
    applySetupSettings(false);
  }
  if (value("Check1(7)") == 1) setValue("Check9", 1);
}

void SetupWindow::applySetupSettings(bool resetDefaults) {
  if (resetDefaults) applyFactoryDefaults(*this, currentFactoryPaths());
  for (int i : SetupFields::text1Indexes()) m_fields.text1Change(i, true);
  m_fields.setOptionValueVar("Option1", ifType);
  m_fields.setOptionValueVar("Option2", timerType);
  m_fields.setOptionValueVar("Option3", reduceMethod);
  m_fields.setOptionValueVar("Option5", yPowerScale);
  m_fields.setOptionValueVar("Option6", yTempScale);
  m_fields.setOptionValueVar("Option7", textFileWriteInterval);
  if (mainWindowLoaded) applyGlobalVariables();
}
