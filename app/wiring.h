#pragma once
// Connects what core/ announces (settingsEvents and the setup window's requests)
// to the meter link, the main window and the web server above it, answers what
// the settings ask of them (SetupQuestions), and what the link and the web server
// announce to the windows (link_view, web_wiring). main() calls it once before
// the windows load; tests that need the listeners call it too. A second call
// does nothing.

void connectSubsystems();
// Once the main window exists: what it changes that the settings keep (the price).
void connectMainWindowToSettings();
