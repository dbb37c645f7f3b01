#pragma once
// An 8-bit device-independent picture: the bitmap information (header and a
// 256-entry colour table) and one byte per pixel, rows top to bottom, each row
// padded to a multiple of 4 bytes. Made from a drawn image as the GIF encoder needs it.

#include <QByteArray>
#include <QImage>
#include <array>
#include <cstdint>

struct BitmapInfoHeader {
  int32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // negative: rows top to bottom
  int16_t biPlanes = 1;
  int16_t biBitCount = 8;
  int32_t biCompression = 0;
  int32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  int32_t biClrUsed = 0;
  int32_t biClrImportant = 0;
};

struct RgbQuad {
  uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
};

struct BitmapInfo {
  BitmapInfoHeader bmiHeader;
  std::array<RgbQuad, 256> bmiColors{};
};

// The header of an 8-bit top-down picture of that size, colour table empty.
BitmapInfo makeBitmapInfo8(int32_t width, int32_t height);
// Fills `pixels` and the colour table from the image; returns the number of rows
// read (0 for a null image). Up to 256 colours keep their exact values, in the
// order they first appear; more colours are reduced by Qt's conversion.
int32_t getDibBits8(const QImage& image, BitmapInfo& info, QByteArray& pixels);
// The same picture with one byte per pixel and its exact colours, for an opaque
// image of up to 256 colours; a null image otherwise.
QImage exactlyIndexed8(const QImage& image);
