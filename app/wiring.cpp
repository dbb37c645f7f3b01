#include "app/wiring.h"

#include "app/graph_renderer.h"
#include "app/web_wiring.h"
#include "chart/chart_windows.h"
#include "core/globals.h"
#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "meter/window/form1.h"
#include "meter/window/link_view.h"
#include "meter/window/main_menus.h"
#include "platform/message_box.h"
#include "plot/plot_requests.h"

namespace {
// The meter's owners keep their own copies of the settings.
void handSettings(MeterSession& session, MeterLink& link, const Settings& settings) {
  session.setSettings(settings);
  link.setSettings(settings);
  if (Form1* f = form1()) f->setSettings(settings);
}
}  // namespace

void connectSubsystems(MeterSession& session, MeterLink& link) {
  static bool connected = false;
  if (connected) return;
  connected = true;
  // What code without windows tells the user appears in a message box.
  QObject::connect(&userNotices(), &UserNotices::noticeRaised,
                   [](const QString& text, MsgIcon icon, const QString& title) {
                     msgBox(text, MsgButtons::Ok, icon, title);
                   });
  connectLinkView(session, link);
  connectWebServerToSetupWindow();
  // The main window's plot requests reach the chart.
  connectPlotRequests();
  connectChartWindows();
  setChartSettings(setupValues().settings());
  // A reading: the re-plot of the plotted (current) file.
  QObject::connect(&session, &MeterSession::readingRecorded, [](const ReadingResult& r) {
    if (r.inDataFile && plotFileSlot == 0) replotIfAuto();
  });
  // The web pages' live values.
  connectLiveValues(session, link);
  // The chart still reads the section indexes of the session's data files.
  showDataFileSlots(&session.dataFileSlots());
  // What the settings ask of the windows and the server above them.
  setupValues().setQuestions(
      {[] { return mainWindowLoaded; }, [] { return programWebServer().port(); },
       [] {
         return FilesInUse{{zavDatFileName[0], zavDatFileName[1]}, zavLogFileName, zavPlotFileName};
       }});
  SettingsEvents* s = &settingsEvents();
  handSettings(session, link, setupValues().settings());
  QObject::connect(s, &SettingsEvents::settingsChanged, [&session, &link](const Settings& settings) {
    setChartSettings(settings);
    handSettings(session, link, settings);
  });
  // These come while a field rule runs, before its new settings are announced: the window
  // takes the settings as they are now.
  QObject::connect(s, &SettingsEvents::settingsApplied, [] {
    if (Form1* f = form1(); f && mainWindowLoaded) {
      f->setSettings(setupValues().settings());
      f->applyGlobalVariables();
    }
  });
  QObject::connect(s, &SettingsEvents::mainWindowLayoutChanged, [] {
    if (Form1* f = form1()) {
      f->setSettings(setupValues().settings());
      f->setWindowSize();
    }
  });
  QObject::connect(&fileRequests(), &FileRequests::filePickRequested, [&session, &link](SettingsFile file) {
    switch (file) {
      case SettingsFile::Data: selZavdataFile(session, link); break;
      case SettingsFile::TextLog: selZavtextFile(session, link); break;
      case SettingsFile::PlotPicture: selPlotPictureFile(link); break;
    }
  });
  MeterLinkRequests* requests = &meterLinkRequests();
  QObject::connect(requests, &MeterLinkRequests::comSearchRequested, [&link] { link.findAvailableComPorts(); });
  QObject::connect(requests, &MeterLinkRequests::comEventCountersCleared,
                   [&link](int index) { link.clearComEventCounters(int16_t(index)); });
}
