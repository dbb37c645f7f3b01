// The setup window's load handler and applySetupSettings: the second half of start-up.
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include "core/app_windows.h"
#include "core/globals.h"  // progStartTicks
#include "core/log/logmsg.h"
#include "core/settings/factory_defaults.h"
#include "core/settings/ini_keys.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "core/startup.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "platform/app_event_log.h"
#include "platform/tick_clock.h"

namespace {
QString crlf(const QString& s) { return s + kCrLf; }
}  // namespace

void loadSetupWindowHidden(SetupWindow& window, const StartValues& start, const QIcon& icon) {
  // "-noini" anywhere in the command line leaves the settings file unread.
  window.formLoad(start, !commandLineText().toLower().contains(QStringLiteral("-noini")), icon);
}

QString SetupWindow::diagnosticHeader() const {
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  const QString n = QString::number(ZAV_VERSION_MAJOR), m = QString::number(ZAV_VERSION_MINOR),
                r = QString::number(ZAV_VERSION_REVISION);
  const QString appName = values().settings().appName;
  QString t = crlf(QStringLiteral("defDirName       =") + values().settings().defDirName) + crlf(QString());
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

void SetupWindow::formLoad(const StartValues& start, bool readIni, const QIcon& icon) {
  setWindowIcon(icon);
  SetupValues& values = m_values;
  values.takeStartValues(start);
  const Settings& s = values.settings();
  if (s.appName == u"Falvor")
    for (const char* n : {"Label1(15)", "Text1(14)", "Check1(2)"})
      values.setVisible(QString::fromLatin1(n), false);
  progStartTicks = timeGetTime();
  m_slider.setSliderRange();

  // The factory's file names, but a GIF plot picture: the factory defaults that follow name a PNG.
  const FactoryPaths paths = currentFactoryPaths(s.defDirName);
  for (const IniKey& row : iniKeys()) {
    if (row.rules.rule != FieldRule::Held || !*row.control) continue;
    const QLatin1String key(row.key);
    values.setHeldText(key, key == "zavPlotFileName" ? s.defDirName + QStringLiteral("zavPlot.GIF")
                                                     : factoryText(row, paths));
  }

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
  if (s.debugMode != 0) {
    values.setVisible(QStringLiteral("Check7"), true);
    Check7()->setCheckState(s.debugMode >= 1 ? Qt::Checked : Qt::Unchecked);
    setDebugMode();
  }
  m_slider.setEventCounters(32762);
  values.loadAtStart(readIni);
}
