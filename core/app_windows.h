#pragma once
// The setup window as the rest of the program opens it. The main window is
// opened by app/ once Main() has loaded this one.

#include <QIcon>

// Loads the setup window hidden: its load handler applies the settings.
void loadSetupWindowHidden();

// The window icon of the program's brand, drawn by its owner; the setup window takes it when it loads.
using IconMaker = QIcon (*)();
void setAppIconMaker(IconMaker maker);
QIcon appIcon();
