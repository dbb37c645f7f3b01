#pragma once
// The colours the program names, as it stores them (&HBBGGRR, see colour.h).

#include <cstdint>

#include "platform/colour.h"

constexpr int32_t kBlack = rgbColour(0, 0, 0);
constexpr int32_t kWhite = rgbColour(255, 255, 255);
constexpr int32_t kRed = rgbColour(255, 0, 0);
constexpr int32_t kGreen = rgbColour(0, 255, 0);
constexpr int32_t kDarkGreen = rgbColour(0, 128, 0);
constexpr int32_t kBlue = rgbColour(0, 0, 255);
constexpr int32_t kYellow = rgbColour(255, 255, 0);
constexpr int32_t kMagenta = rgbColour(255, 0, 255);
constexpr int32_t kCyan = rgbColour(0, 255, 255);
constexpr int32_t kGridGrey = rgbColour(208, 208, 208);

// System colours: top bit set, the low byte their index in the system table.
constexpr int32_t kSysColorWindowBackground = int32_t(0x80000005u);
constexpr int32_t kSysColorWindowText = int32_t(0x80000008u);
constexpr int32_t kSysColorButtonFace = int32_t(0x8000000Fu);
constexpr int32_t kSysColorButtonShadow = int32_t(0x80000010u);

// The colours of normal and of error texts (messages, a field's state): the
// start values of the message log's logColourNormal and logColourError.
constexpr int32_t kLogColourNormal = kSysColorWindowText;
constexpr int32_t kLogColourError = kRed;
