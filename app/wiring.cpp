#include "app/wiring.h"

#include "app/graph_renderer.h"
#include "app/web_wiring.h"
#include "chart/chart_windows.h"
#include "core/globals.h"
#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "meter/link/com_search.h"
#include "meter/link/serial_dispatch.h"
#include "meter/window/calculator.h"
#include "meter/window/form1.h"
#include "meter/window/link_view.h"
#include "meter/window/main_menus.h"
#include "platform/message_box.h"
#include "plot/plot_requests.h"

void connectSubsystems() {
  static bool connected = false;
  if (connected) return;
  connected = true;
  // What code without windows tells the user appears in a message box.
  QObject::connect(&userNotices(), &UserNotices::noticeRaised,
                   [](const QString& text, MsgIcon icon, const QString& title) {
                     msgBox(text, MsgButtons::Ok, icon, title);
                   });
  connectLinkView();
  connectWebServerToSetupWindow();
  // The main window's plot requests reach the chart.
  connectPlotRequests();
  connectChartWindows();
  setChartSettings(setupValues().settings());
  // What the settings ask of the windows and the server above them.
  setupValues().setQuestions(
      {[] { return mainWindowLoaded; }, [] { return programWebServer().port(); },
       [] {
         return FilesInUse{{zavDatFileName[0], zavDatFileName[1]}, zavLogFileName, zavPlotFileName};
       }});
  SettingsEvents* s = &settingsEvents();
  QObject::connect(s, &SettingsEvents::settingsChanged, [](const Settings& settings) { setChartSettings(settings); });
  QObject::connect(s, &SettingsEvents::settingsApplied, [] {
    if (Form1* f = form1(); f && mainWindowLoaded) f->applyGlobalVariables();
  });
  QObject::connect(s, &SettingsEvents::mainWindowLayoutChanged, [] {
    if (Form1* f = form1()) f->setWindowSize();
  });
  QObject::connect(&fileRequests(), &FileRequests::filePickRequested, [](SettingsFile file) {
    switch (file) {
      case SettingsFile::Data: selZavdataFile(); break;
      case SettingsFile::TextLog: selZavtextFile(); break;
      case SettingsFile::PlotPicture: selPlotPictureFile(); break;
    }
  });
  MeterLinkRequests* link = &meterLinkRequests();
  QObject::connect(link, &MeterLinkRequests::comSearchRequested, [] { findAvailableComPorts(); });
  QObject::connect(link, &MeterLinkRequests::comEventCountersCleared,
                   [](int index) { clearComEventCounters(int16_t(index)); });
}

void connectMainWindowToSettings() {
  Form1* f = form1();
  if (!f) return;
  // A price typed into the calculator is the one the settings file keeps.
  QObject::connect(&f->calculator(), &Calculator::priceTyped, f, [](const QString& price) {
    setupValues().setHeldText(QLatin1String("pricePerkWh"), price);
  });
}
