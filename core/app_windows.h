#pragma once
// The two windows Main opens: the setup window (loaded hidden) and the main window.

void loadSetupWindowHidden();
void showMainWindow();
