#pragma once
// The setup window as the rest of the program opens it. The main window is
// opened by app/ once Main() has loaded this one.

#include <QIcon>

#include "core/settings/settings.h"  // StartValues

class SetupWindow;

// Loads the setup window hidden: its load handler applies the settings, from the
// start values Main() found (the INI file unless the command line says "-noini").
// The icon is the program's brand, drawn by its owner above.
void loadSetupWindowHidden(SetupWindow& window, const StartValues& start, const QIcon& icon = QIcon());
