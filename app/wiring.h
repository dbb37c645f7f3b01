#pragma once
// Connects what core/ announces (settingsEvents) to the meter link, the main
// window and the web server above it. main() calls it once before the windows
// load; tests that need the listeners call it too. A second call does nothing.

void connectSubsystems();
