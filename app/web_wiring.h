#pragma once
// Connects the program's web server: the settings and the live values it is
// handed, the setup window's web tab and tray menu.

#include <functional>

class MeterLink;
class MeterSession;
class SetupValues;
class SetupWindow;
class WebServer;

// Before the setup window loads (it may start the server while loading):
// the server's announcements shown on the web tab (through the settings
// values, and on the setup window once setupWindow gives one), the settings
// handed to it, start and stop as the settings ask. The connections end with
// the server.
void connectWebServerToSetupWindow(WebServer& server, SetupValues& values,
                                   std::function<SetupWindow*()> setupWindow);
// The pages' live values: taken from the session's readings and register lines,
// copied to the server after each reading and each switch of the link.
void connectLiveValues(WebServer& server, MeterSession& session, MeterLink& link);
// Once the setup window exists: its tray menu, "Update All", the address
// link, the logging box, and the tray icon where the desktop has a tray.
void connectWebTabControls(WebServer& server, SetupValues& values, SetupWindow& window);
