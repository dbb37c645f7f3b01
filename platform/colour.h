#pragma once
// Colours as the program stores them: &HBBGGRR (red in the low byte), -1 for
// none, and system colours (top bit set, low byte = index) from a fixed table.

#include <QColor>
#include <cstdint>

QColor colourToQColor(int32_t colour);    // -1 gives an invalid QColor
int32_t qColorToColour(const QColor& c);  // &HBBGGRR
constexpr int32_t rgbColour(int r, int g, int b) { return (b & 255) << 16 | (g & 255) << 8 | (r & 255); }

// System colour for window text (&H80000008) and plain red.
constexpr int32_t kSysColorWindowText = int32_t(0x80000008u);
constexpr int32_t kColorRed = 0x0000FF;
// The colours of normal and of error texts (messages, a field's state): the
// start values of the message log's logColourNormal and logColourError.
constexpr int32_t kLogColourNormal = kSysColorWindowText;
constexpr int32_t kLogColourError = kColorRed;
