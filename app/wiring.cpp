#include "app/wiring.h"

#include "app/graph_renderer.h"
#include "app/web_wiring.h"
#include "chart/chart_windows.h"
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
ChartWindows* g_charts = nullptr;  // made by connectSubsystems, kept for the run

// The meter's owners keep their own copies of the settings.
void handSettings(MeterSession& session, MeterLink& link, const Settings& settings) {
  session.setSettings(settings);
  link.setSettings(settings);
  if (Form1* f = form1()) f->setSettings(settings);
}
}  // namespace

int16_t mainWindowPlotFileSlot() {
  const Form1* f = form1();
  return f ? f->plotFileSlot() : int16_t(0);
}

ChartWindows* programChartWindows() { return g_charts; }

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
  // The main window's plot requests reach the chart; the chart and the
  // auto-plot draw the main window's plotted slot from the session's indexes.
  connectPlotRequests();
  const PlotSource source{
      mainWindowPlotFileSlot, [] { return form1() && form1()->autoPlot(); },
      [&session](int16_t slot) -> const dataFileIndex& { return session.dataFileSlots()[slot]; }};
  g_charts = new ChartWindows(setupValues().settings(), source, &session);
  auto* autoPlot = new AutoPlot(source, &session);
  // A reading: the re-plot of the plotted (current) file.
  QObject::connect(&session, &MeterSession::readingRecorded, autoPlot, [autoPlot](const ReadingResult& r) {
    if (r.inDataFile && mainWindowPlotFileSlot() == 0) autoPlot->replotIfAuto();
  });
  // The web pages' live values.
  connectLiveValues(session, link);
  // What the settings ask of the windows and the server above them.
  setupValues().setQuestions({[] { return form1() && form1()->mainWindowLoaded(); },
                              [] { return programWebServer().port(); },
                              [] {
                                const Settings& s = setupValues().settings();
                                return FilesInUse{s.zavDatFileName, s.zavLogFileName, s.zavPlotFileName};
                              }});
  SettingsEvents* s = &settingsEvents();
  handSettings(session, link, setupValues().settings());
  QObject::connect(s, &SettingsEvents::settingsChanged, [&session, &link](const Settings& settings) {
    g_charts->setSettings(settings);
    handSettings(session, link, settings);
  });
  // These come while a field rule runs, before its new settings are announced: the window
  // takes the settings as they are now.
  QObject::connect(s, &SettingsEvents::settingsApplied, [] {
    if (Form1* f = form1(); f && f->mainWindowLoaded()) {
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
