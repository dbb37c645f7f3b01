#pragma once
// Detector types (ZAVdetectorVer) the program tells apart by their number.

#include <cstdint>

// The factory detector type and the first one that sends the new frame and
// line code; its data-file temperature is one byte (see temperatureOf).
constexpr int32_t kNewFrameDetectorVer = 24840;
// The detector type whose controller talks at 2400 baud.
constexpr int32_t kSlowControllerDetectorVer = 24841;
// An older number of the factory type, stored as kNewFrameDetectorVer.
constexpr int32_t kRenumberedDetectorVer = 17593;
