#include "platform/colour.h"

#include <array>

namespace {
// The system colours of a default desktop theme, by index.
constexpr std::array<int32_t, 31> kSystemColours = {
    rgbColour(200, 200, 200),  // 0 scroll bars
    rgbColour(0, 0, 0),        // 1 desktop
    rgbColour(153, 180, 209),  // 2 active caption
    rgbColour(191, 205, 219),  // 3 inactive caption
    rgbColour(240, 240, 240),  // 4 menu bar
    rgbColour(255, 255, 255),  // 5 window background
    rgbColour(100, 100, 100),  // 6 window frame
    rgbColour(0, 0, 0),        // 7 menu text
    rgbColour(0, 0, 0),        // 8 window text
    rgbColour(0, 0, 0),        // 9 caption text
    rgbColour(180, 180, 180),  // 10 active border
    rgbColour(244, 247, 252),  // 11 inactive border
    rgbColour(171, 171, 171),  // 12 application workspace
    rgbColour(0, 120, 215),    // 13 highlight
    rgbColour(255, 255, 255),  // 14 highlight text
    rgbColour(240, 240, 240),  // 15 button face
    rgbColour(160, 160, 160),  // 16 button shadow
    rgbColour(109, 109, 109),  // 17 grey text
    rgbColour(0, 0, 0),        // 18 button text
    rgbColour(0, 0, 0),        // 19 inactive caption text
    rgbColour(255, 255, 255),  // 20 button highlight
    rgbColour(105, 105, 105),  // 21 3D dark shadow
    rgbColour(227, 227, 227),  // 22 3D light
    rgbColour(0, 0, 0),        // 23 tool tip text
    rgbColour(255, 255, 225),  // 24 tool tip background
    rgbColour(255, 255, 255),  // 25 (unused)
    rgbColour(0, 102, 204),    // 26 hot light
    rgbColour(185, 209, 234),  // 27 gradient active caption
    rgbColour(215, 228, 242),  // 28 gradient inactive caption
    rgbColour(0, 120, 215),    // 29 menu highlight
    rgbColour(240, 240, 240),  // 30 menu bar
};
}  // namespace

QColor colourToQColor(int32_t colour) {
  if (colour == -1) return {};
  uint32_t c = static_cast<uint32_t>(colour);
  if (c & 0x80000000u) {
    const uint32_t index = c & 0xFFu;
    c = static_cast<uint32_t>(index < kSystemColours.size() ? kSystemColours[index] : 0);
  }
  return QColor(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
}

int32_t qColorToColour(const QColor& c) { return rgbColour(c.red(), c.green(), c.blue()); }
