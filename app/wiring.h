#pragma once
// The program's owners above the meter, and their wiring. main() makes the settings values,
// the meter session and the link, then one Subsystems with them; a test that needs the
// listeners makes its own. Subsystems owns the web server (whose graph renderer draws from the
// server's own settings and the plotted slot), the user's chart windows, the auto-plot, and the
// setup and main windows once they are made. At construction it connects what core/ announces
// (settingsEvents and the setup window's requests) to the session and link, the main window and
// the web server, answers what the settings ask of them (SetupQuestions), and connects what the
// session, the link and the web server announce to the windows, the web pages' live values and
// auto-plot (link_view, web_wiring). Its connections end with it.

#include <QIcon>
#include <QObject>
#include <memory>

#include "chart/chart_windows.h"
#include "plot/plot_requests.h"
#include "plot/plot_source.h"
#include "web/web_server.h"

class Form1;
class Form12;
class MeterLink;
class MeterSession;
class SetupValues;
class SetupWindow;

class Subsystems : public QObject {
 public:
  // The session, the link and the values outlive it.
  Subsystems(MeterSession& session, MeterLink& link, SetupValues& values);
  ~Subsystems() override;

  // Makes the setup window and loads it hidden: its load applies the settings from the
  // start values Main() found and may start the web server.
  SetupWindow& loadSetupWindow(const StartValues& start, const QIcon& icon = QIcon());
  // Makes, loads and shows the main window (once the setup window has loaded the settings).
  Form1& showMainWindow();
  // Once the setup window exists: its tray menu and the web tab's own controls.
  void connectWebTabControls();

  // The message window over the message log, made hidden on first use.
  Form12& messageWindow();
  SetupWindow* setupWindow() const { return m_setup.get(); }
  Form1* mainWindow() const { return m_main.get(); }
  ChartWindows& chartWindows() { return m_charts; }

 private:
  void connectSettings();

  MeterSession& m_session;
  MeterLink& m_link;
  SetupValues& m_values;
  PlotSource m_source;
  // The windows, once made; the destructor takes them down before the rest.
  std::unique_ptr<Form12> m_messages;
  std::unique_ptr<SetupWindow> m_setup;
  std::unique_ptr<Form1> m_main;
  WebServer m_server;
  ChartWindows m_charts;
  AutoPlot m_autoPlot;
};
