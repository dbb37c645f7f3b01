#include "app/wiring.h"

#include "app/graph_renderer.h"
#include "app/web_wiring.h"
#include "core/app_windows.h"
#include "core/log/message_window.h"
#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "core/setup/setup_window_calls.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "meter/window/form1.h"
#include "meter/window/link_view.h"
#include "meter/window/main_menus.h"
#include "platform/message_box.h"

Subsystems::Subsystems(MeterSession& session, MeterLink& link, SetupValues& values)
    : m_session(session),
      m_link(link),
      m_values(values),
      // The chart and the auto-plot draw the main window's plotted slot from the session's indexes.
      m_source{.plotFileSlot = [this] { return m_main ? m_main->plotFileSlot() : int16_t(0); },
               .autoPlot = [this] { return m_main && m_main->autoPlot(); },
               .slotIndex = [&session](int16_t slot) -> const dataFileIndex& {
                 return session.dataFileSlots()[slot];
               }},
      // The web graph's job takes the server's own settings.
      m_server(graphRenderer([this]() -> const Settings& { return m_server.settings(); }, m_source)),
      m_charts(values.settings(), m_source),
      m_autoPlot(m_source) {
  // What code without windows tells the user appears in a message box.
  connect(&userNotices(), &UserNotices::noticeRaised, this,
          [](const QString& text, MsgIcon icon, const QString& title) {
            msgBox(text, MsgButtons::Ok, icon, title);
          });
  connectLinkView(
      session, link, values, [this] { return mainWindow(); }, this);
  connectWebServerToSetupWindow(m_server, values, [this] { return setupWindow(); });
  // The main window's plot requests reach the chart.
  connectPlotRequests(this);
  // A reading: the re-plot of the plotted (current) file.
  connect(&session, &MeterSession::readingRecorded, &m_autoPlot, [this](const ReadingResult& r) {
    if (r.inDataFile && m_source.slot() == 0) m_autoPlot.replotIfAuto();
  });
  // The web pages' live values.
  connectLiveValues(m_server, session, link);
  connectSettings();
}

Subsystems::~Subsystems() {
  // The values outlive this: they ask nothing of it any more.
  m_values.setQuestions({});
  // The windows go first, each looked up as gone before it is taken down; the server and
  // the charts they showed go after them.
  m_main.reset();
  m_setup.reset();
  m_messages.reset();
}

// The meter's owners and the main window keep their own copies of the settings.
void Subsystems::connectSettings() {
  const auto handSettings = [this](const Settings& settings) {
    m_session.setSettings(settings);
    m_link.setSettings(settings);
    if (m_main) m_main->setSettings(settings);
  };
  // What the settings ask of the windows and the server above them.
  m_values.setQuestions({.mainWindowLoaded = [this] { return m_main && m_main->mainWindowLoaded(); },
                         .webServerPort = [this] { return m_server.port(); },
                         .filesInUse =
                             [this] {
                               const Settings& s = m_values.settings();
                               return FilesInUse{.zavDatFileName = s.zavDatFileName,
                                                 .zavLogFileName = s.zavLogFileName,
                                                 .zavPlotFileName = s.zavPlotFileName};
                             }});
  SettingsEvents* s = &settingsEvents();
  handSettings(m_values.settings());
  connect(s, &SettingsEvents::settingsChanged, this, [this, handSettings](const Settings& settings) {
    m_charts.setSettings(settings);
    handSettings(settings);
  });
  // These come while a field rule runs, before its new settings are announced: the window
  // takes the settings as they are now.
  connect(s, &SettingsEvents::settingsApplied, this, [this] {
    if (m_main && m_main->mainWindowLoaded()) {
      m_main->setSettings(m_values.settings());
      m_main->applyGlobalVariables();
    }
  });
  connect(s, &SettingsEvents::mainWindowLayoutChanged, this, [this] {
    if (m_main) {
      m_main->setSettings(m_values.settings());
      m_main->setWindowSize();
    }
  });
  connect(&fileRequests(), &FileRequests::filePickRequested, this, [this](SettingsFile file) {
    switch (file) {
      case SettingsFile::Data: selZavdataFile(m_session, m_link, m_values); break;
      case SettingsFile::TextLog: selZavtextFile(m_session, m_link, m_values); break;
      case SettingsFile::PlotPicture: selPlotPictureFile(m_link, m_values); break;
    }
  });
  MeterLinkRequests* requests = &meterLinkRequests();
  connect(requests, &MeterLinkRequests::comSearchRequested, this, [this] { m_link.findAvailableComPorts(); });
  connect(requests, &MeterLinkRequests::comEventCountersCleared, this,
          [this](int index) { m_link.clearComEventCounters(int16_t(index)); });
}

SetupWindow& Subsystems::loadSetupWindow(const StartValues& start, const QIcon& icon) {
  m_setup = std::make_unique<SetupWindow>(m_values);
  loadSetupWindowHidden(*m_setup, start, icon);
  return *m_setup;
}

Form1& Subsystems::showMainWindow() {
  m_main = std::make_unique<Form1>(m_session, m_link, m_values);
  connect(m_main.get(), &Form1::setupWindowAsked, this, [this] {
    if (m_setup) showSetupWindow(*m_setup);
  });
  connect(m_main.get(), &Form1::messageWindowAsked, this, [this] { showMessageWindow(messageWindow()); });
  ::showMainWindow(*m_main);
  return *m_main;
}

Form12& Subsystems::messageWindow() {
  if (!m_messages) m_messages = std::make_unique<Form12>(messageLog());
  return *m_messages;
}

void Subsystems::connectWebTabControls() {
  if (m_setup) ::connectWebTabControls(m_server, m_values, *m_setup);
}
