#pragma once
// The plain pulse device sends one byte per pulse: the bits that were low give the
// pulse's width, and the advice says which port rate would measure it better.

#include <QString>
#include <cstdint>

// Width of the last pulse in serial bit times; the indicators colour the LED by it.
extern int16_t pulseWidthBits;

// Duration in seconds of the plain pulse that produced this byte; sets pulseWidthBits.
double analysePulseWidth(int16_t rxByte);

// The advice text of the pulse analysis (without its time stamp line).
QString pulseWidthAdvice(int zeros, int errorBit, double baud);
// Bit times a plain pulse byte was low (start bit included) and the first bit that went
// low again after a high one (0 = none).
void countPulseBits(int rxByte, int& zeros, int& errorBit);
