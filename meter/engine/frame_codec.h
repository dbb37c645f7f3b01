#pragma once
// Line codes, checksum and CRC-8 of the controller frames. Each data byte
// travels as two code bytes, the low nibble's code first.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>

#include "meter/record/zav_format.h"

// The old and new line-code tables (nibble -> code byte).
extern const std::array<uint8_t, 16> kOldLineCode;
extern const std::array<uint8_t, 16> kNewLineCode;

// How the protocol analyzer's test sender codes a frame: the new line code and
// the reflected CRC-8 (polynomial &HE0) by the nibble table or bit by bit.
struct FrameCodecOptions {
  bool useCrcTable = false;
};

// The test sender's outgoing frame while it is built.
struct TxFrame {
  QByteArray bytes;
  int32_t index = 0;
  int32_t crc = 0;
};

// Decodes the first 2L code bytes with the line code of the detector type. Empty
// when fewer than 2L bytes are given; stops at an undefined code (logged at -1).
QByteArray decodeData(QByteArrayView codeBytes, int32_t L, int32_t detectorVer);
// The same into a caller's buffer; returns the number of data bytes decoded.
int decodeDataInto(QByteArrayView codeBytes, int32_t L, uint8_t* out, int32_t detectorVer);
// 0 for a valid old frame: (sum of bytes 0..14 - byte 15) mod 256.
int16_t frameChecksum(QByteArrayView dataBytes);
// One nibble into the running reflected CRC-8 (table or bit path; the bit
// path takes each nibble one step late, so finish it with a 0 nibble).
void crcUpdateNibble(const FrameCodecOptions& options, int16_t n, int32_t& crc);
// Writes count bytes of value, lowest first, into the frame at its index: coded
// as two code bytes each (and into its CRC), or raw.
void appendFrameValue(const FrameCodecOptions& options, TxFrame& tx, bool coded, int16_t count,
                      int32_t value);
// Checks the FCS of the frame between the start marker at startIndex and the
// end marker at endIndex (0-based) and fills dataBytes.
bool checkFrameFcs(int32_t startIndex, int32_t endIndex, QByteArrayView frame, QByteArray& dataBytes);
// " 0A 1B ...": a blank and two upper-case hex digits per byte.
QString bytesToHexString(QByteArrayView bytes);
