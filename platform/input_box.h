#pragma once
// A one-line question to the user. Headless (ZAV_HEADLESS=1) it is logged as
// "INPUTBOX: " + prompt and answered with an empty text, as a cancel would be.

#include <QString>

QString inputBox(const QString& prompt, const QString& title, const QString& defaultText = QString());
