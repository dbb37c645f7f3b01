#pragma once
// The cancel window's bars without the window.

#include <QString>
#include <cstdint>

// The text beside a bar: the unit after a leading "$" as it stands,
// "1,234  of  5,000  files" with a unit, "24 %" without one. Empty for a bar
// without a range (max of 0 or less).
QString summaryBarText(const QString& unit, int32_t value, int32_t max);
// The drawn length of a bar in a frame `frameWidth` pixels wide: value / max
// of the frame less its 70-twip border, kept inside the frame.
int summaryBarWidth(int frameWidth, int32_t value, int32_t max);
