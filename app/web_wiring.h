#pragma once
// Connects the web server to the setup window's web tab and tray menu.

// Before the setup window loads (it may start the server while loading):
// the server's announcements shown on the web tab, the tab's fields as the
// server's setting values. Connects once; later calls do nothing.
void connectWebServerToSetupWindow();
// Once the setup window exists: its tray menu, "Update All", the address
// link, the logging box, and the tray icon where the desktop has a tray.
void connectWebTabControls();
