#pragma once
// Colours as the program stores them: &HBBGGRR (red in the low byte), -1 for
// none, and system colours (top bit set, low byte = index) from a fixed table.

#include <QColor>
#include <cstdint>

QColor colourToQColor(int32_t colour);    // -1 gives an invalid QColor
int32_t qColorToColour(const QColor& c);  // &HBBGGRR
constexpr int32_t rgbColour(int r, int g, int b) { return (b & 255) << 16 | (g & 255) << 8 | (r & 255); }
