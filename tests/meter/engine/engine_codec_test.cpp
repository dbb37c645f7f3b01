// Frame codec: line codes, the old checksum, the CRC-8 by both paths, the frame builder.
#include <gtest/gtest.h>

#include <random>

#include "core/settings/detector_types.h"
#include "tests/meter/engine/frame_bytes.h"
#include "meter/engine/frame_codec.h"
#include "support/log_capture.h"

namespace {

// CRC of bytes fed as nibbles, low nibble first, finished as callers finish it.
int32_t nibbleCrc(const QByteArray& bytes, bool useTable) {
  const FrameCodecOptions o{.useCrcTable = useTable};
  int32_t crc = 0;
  for (char c : bytes) {
    crcUpdateNibble(o, int16_t(uint8_t(c) & 15), crc);
    crcUpdateNibble(o, int16_t(uint8_t(c) >> 4), crc);
  }
  if (!useTable) crcUpdateNibble(o, 0, crc);
  return crc;
}

class Codec : public ::testing::Test {
 protected:
  // The detector type whose line code decodes.
  int32_t m_detector = kNewFrameDetectorVer;
  LogCapture m_log;
};

// The CRC table by nibble, the new line code, and its decoding of those 16 codes only.
TEST_F(Codec, TablesHoldTheirKnownValues) {
  const int16_t want[16] = {0x00, 0x1C, 0x38, 0x24, 0x70, 0x6C, 0x48, 0x54,
                            0xE0, 0xFC, 0xD8, 0xC4, 0x90, 0x8C, 0xA8, 0xB4};
  const char code0 = char(zavsim::kNewCode[0]);
  for (int i = 0; i < 16; ++i) {
    int32_t crc = 0;
    crcUpdateNibble({.useCrcTable = true}, int16_t(i), crc);
    EXPECT_EQ(crc, want[i]) << i;
    EXPECT_EQ(kNewLineCode[size_t(i)], zavsim::kNewCode[i]);
    EXPECT_EQ(decodeData(QByteArray(1, char(zavsim::kNewCode[i])) + code0, 1, m_detector),
              QByteArray(1, char(i)));
  }
  int defined = 0;
  for (int c = 0; c < 256; ++c)
    defined += int(decodeData(QByteArray(1, char(c)) + code0, 1, m_detector).size());
  EXPECT_EQ(defined, 16);
}

TEST_F(Codec, CrcCatalogueValuesByBothPaths) {
  for (bool table : {false, true}) {
    EXPECT_EQ(nibbleCrc("123456789", table), 0x20) << table;
    EXPECT_EQ(nibbleCrc("abc", table), 0xF0) << table;
    EXPECT_EQ(nibbleCrc(QByteArray::fromHex("0861341262000000"
                                            "3f992e0301045742"),
                        table),
              0x9D)
        << table;
  }
}

TEST_F(Codec, CrcPathsAgreeWithAByteWiseCrc) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    QByteArray bytes(1 + rng() % 20, '\0');
    for (char& b : bytes) b = char(rng());
    for (bool table : {false, true}) EXPECT_EQ(nibbleCrc(bytes, table), zavsim::crc8(bytes));
  }
}

TEST_F(Codec, DecodesLowNibbleFirstWithTheTableOfTheDetectorType) {
  m_detector = 24000;
  EXPECT_EQ(decodeData(QByteArray("\xA9\xAA"), 1, m_detector), QByteArray("\x01"));
  EXPECT_EQ(decodeData(QByteArray("\xAA\xA9"), 1, m_detector), QByteArray("\x10"));
  m_detector = kNewFrameDetectorVer;
  EXPECT_EQ(decodeData(QByteArray("\x1E\x1D\x8E\x8E"
                                  "\xFF"),
                       2, m_detector),
            QByteArray::fromHex("23ff"));
}

TEST_F(Codec, DecodeNeedsAllCodeBytesAndStopsAtAnUndefinedOne) {
  EXPECT_TRUE(decodeData(QByteArray("\x17\x17\x17"), 2, m_detector).isEmpty());
  EXPECT_TRUE(m_log.text().isEmpty());
  EXPECT_EQ(decodeData(QByteArray("\x1B\x17\x99\x17"), 2, m_detector), QByteArray("\x01"));
  EXPECT_TRUE(m_log.contains("decodeData: undefined code: 99"));
}

TEST_F(Codec, OldChecksumIsSumMinusLastByte) {
  QByteArray d(16, '\0');
  d[0] = char(0xFF);
  d[1] = char(0xFF);
  d[2] = 1;  // bytes 0..14 sum to 0x1FF
  d[15] = char(0xFF);
  EXPECT_EQ(frameChecksum(d), 0);
  d[15] = char(0xFE);
  EXPECT_EQ(frameChecksum(d), 1);
}

TEST_F(Codec, AppendFrameValueWritesCodesLowestByteFirst) {
  const FrameCodecOptions o{.useCrcTable = false};
  TxFrame tx{QByteArray(10, '\0'), 2};
  appendFrameValue(o, tx, true, 2, 0x1234);
  EXPECT_EQ(tx.index, 6);
  EXPECT_EQ(tx.bytes.mid(2, 4).toHex(), QByteArray("271e1d1b"));
  appendFrameValue(o, tx, false, 4, int32_t(0xA1B2C3D4u));
  EXPECT_EQ(tx.index, 10);
  EXPECT_EQ(tx.bytes.mid(6, 4).toHex(), QByteArray("d4c3b2a1"));
}

TEST_F(Codec, FrameFcsChecksAGeneratedFrame) {
  const zavsim::Reading r = frames::reading(98, 53385535);
  QByteArray data;
  const QByteArray bytes = QByteArray("xy") + zavsim::newFrame(r);
  EXPECT_TRUE(checkFrameFcs(2, 2 + 36, bytes, data));
  EXPECT_EQ(data.size(), 16);
  EXPECT_EQ(data.left(4).toHex(), QByteArray("08613412"));
  EXPECT_FALSE(checkFrameFcs(0, 36, frames::newFrameBadFcs(r), data));
}

// The received frames' check keeps fixed tables of its own; what the test sender
// builds with its options, by either CRC path, passes it.
TEST_F(Codec, FrameFcsAcceptsWhatTheSenderBuildsByEitherPath) {
  const QByteArray payload = QByteArray::fromHex("08613412620000003f992e0301045742");
  for (bool table : {false, true}) {
    const FrameCodecOptions o{.useCrcTable = table};
    TxFrame tx;
    appendFrameValue(o, tx, false, 2, 0x55F0);  // the start marker, raw
    for (char b : payload) appendFrameValue(o, tx, true, 1, uint8_t(b));
    if (!table) crcUpdateNibble(o, 0, tx.crc);
    appendFrameValue(o, tx, true, 1, tx.crc);
    appendFrameValue(o, tx, false, 1, 0xCC);
    QByteArray data;
    EXPECT_TRUE(checkFrameFcs(0, 36, tx.bytes, data)) << table;
    EXPECT_EQ(data, payload);
  }
}

TEST_F(Codec, FrameFcsRefusesAnyUndefinedCode) {
  const QByteArray good = frames::frame(1);
  for (int i = 2; i < 36; ++i) {
    QByteArray bad = good;
    bad[i] = char(0x00);
    QByteArray data;
    EXPECT_FALSE(checkFrameFcs(0, 36, bad, data)) << i;
  }
}

TEST_F(Codec, HexStringHasABlankBeforeEachByte) {
  EXPECT_EQ(bytesToHexString(QByteArray::fromHex("0aff00")), " 0A FF 00");
  EXPECT_EQ(bytesToHexString(QByteArray()), "");
}

}  // namespace
