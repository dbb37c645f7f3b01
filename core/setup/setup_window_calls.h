#pragma once
// What the main window asks of the setup window: show it, and the web server's
// end when the program ends.

class SetupValues;
class SetupWindow;

// Shows the setup window (the main window's "Setup" command).
void showSetupWindow(SetupWindow& window);
// Just before the program ends: a listening web server is asked to stop. Saves no settings.
void shutDownProgram(const SetupValues& values);
