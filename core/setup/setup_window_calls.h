#pragma once
// What the main window asks of the setup window: show it, its start options, the bell
// option, and the web server's end when the program ends.

void showSetupWindow();
bool setupStartOnLine();
bool setupStartMinimized();
bool setupStartWithAutoPlot();
bool setupRingBell();
void shutDownProgram();
