#pragma once
// The plot width (setup field 25) and height (field 26) texts, as the settings
// values hold them, with or without a setup window.

#include <QString>

QString setupWindowFieldText(int field);
