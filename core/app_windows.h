#pragma once
// The setup window as the rest of the program opens it. The main window is
// opened by app/ once Main() has loaded this one.

#include <QIcon>

#include "core/settings/settings.h"  // StartValues

// Loads the setup window hidden: its load handler applies the settings, from the
// start values Main() found. The icon is the program's brand, drawn by its owner above.
void loadSetupWindowHidden(const StartValues& start, const QIcon& icon = QIcon());
