#pragma once
// The setup window's plot width (field 25) and height (field 26) texts, read
// from the loaded setup window; the factory texts while there is none.

#include <QString>

QString setupWindowFieldText(int field);
