#pragma once
// The plain pulse device sends one byte per pulse: the bits that were low give the
// pulse's width, and the advice says which port rate would measure it better.

#include <QString>
#include <cstdint>

// What a plain pulse byte says of its pulse at a port rate.
struct PulseWidth {
  double seconds = 0;  // 0 when the rate is unknown
  int16_t bits = 0;    // bit times it was low: the indicators colour the LED by it
  QString advice;      // pulseWidthAdvice of it
};
PulseWidth analysePulseWidth(int16_t rxByte, double baud);

// The advice text of the pulse analysis (without its time stamp line).
QString pulseWidthAdvice(int zeros, int errorBit, double baud);
// Bit times a plain pulse byte was low (start bit included) and the first bit that went
// low again after a high one (0 = none).
void countPulseBits(int rxByte, int& zeros, int& errorBit);
