#pragma once
// Connects what core/ announces (settingsEvents and the setup window's requests) to the
// meter session and link, the main window and the web server above them, answers what the
// settings ask of them (SetupQuestions), and connects what the session, the link and the
// web server announce to the windows, the web pages' live values and auto-plot (link_view,
// web_wiring). main() calls it once before the windows load; tests that need the
// listeners call it too. A second call does nothing.

#include <cstdint>

class ChartWindows;
class MeterLink;
class MeterSession;

void connectSubsystems(MeterSession& session, MeterLink& link);
// The user's chart windows that connectSubsystems made (nullptr before), parented to the session.
ChartWindows* programChartWindows();
// The main window's plotted slot (Option3), 0 while there is no main window.
int16_t mainWindowPlotFileSlot();
