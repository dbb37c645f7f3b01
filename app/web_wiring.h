#pragma once
// Makes the program's web server and connects it: the settings and the live
// values it is handed, the graph renderer it draws with, the setup window's
// web tab and tray menu.

#include "web/web_server.h"

class MeterLink;
class MeterSession;

// The program's web server, made on first use with the chart's graph renderer.
WebServer& programWebServer();

// Before the setup window loads (it may start the server while loading):
// the server's announcements shown on the web tab, the settings and the live
// values handed to it, start and stop as the settings ask. Connects once;
// later calls do nothing.
void connectWebServerToSetupWindow();
// The pages' live values: taken from the session's readings and register lines,
// copied to the server after each reading and each switch of the link. Once.
void connectLiveValues(MeterSession& session, MeterLink& link);
// Once the setup window exists: its tray menu, "Update All", the address
// link, the logging box, and the tray icon where the desktop has a tray.
void connectWebTabControls();
