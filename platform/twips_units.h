#pragma once
// The designed layout unit: 15 twips to a pixel (96 dpi).

constexpr int kTwipsPerPixel = 15;
constexpr int twipsToPx(int twips) { return twips / kTwipsPerPixel; }
constexpr int pxToTwips(int px) { return px * kTwipsPerPixel; }
