#include "meter/engine/frame_codec.h"

#include "core/settings/detector_types.h"
#include "core/log/logmsg.h"
#include "core/util/text_helpers.h"

const std::array<uint8_t, 16> kOldLineCode{0xAA, 0xA9, 0xA6, 0xA5, 0x9A, 0x99, 0x96, 0x95,
                                           0x6A, 0x69, 0x66, 0x65, 0x3A, 0x39, 0x36, 0x35};
const std::array<uint8_t, 16> kNewLineCode{0x17, 0x1B, 0x1D, 0x1E, 0x27, 0x2B, 0x2D, 0x2E,
                                           0x47, 0x4B, 0x4D, 0x4E, 0x87, 0x8B, 0x8D, 0x8E};

namespace {

using DecodeTable = std::array<int8_t, 256>;

DecodeTable buildDecode(const std::array<uint8_t, 16>& code) {
  DecodeTable t;
  t.fill(-1);
  for (int i = 15; i >= 0; --i) t[code[i]] = int8_t(i);
  return t;
}
// Decoding reads fixed tables of its own.
const DecodeTable kOldDecode = buildDecode(kOldLineCode);
const DecodeTable kNewDecode = buildDecode(kNewLineCode);

// The CRC-8 of a nibble by table (polynomial &HE0, reflected), fixed as well:
// the frame check and the test sender's table path.
constexpr int32_t kCrcPoly = 0xE0;
constexpr std::array<uint8_t, 16> kCrcNibble = [] {
  std::array<uint8_t, 16> t{};
  for (int i = 0; i < 16; ++i) {
    int32_t c = i;
    for (int b = 0; b < 4; ++b) c = (c & 1) ? (c >> 1) ^ kCrcPoly : c >> 1;
    t[size_t(i)] = uint8_t(c);
  }
  return t;
}();
int32_t crcNibbleByTable(int n, int32_t crc) { return (crc >> 4) ^ kCrcNibble[size_t((n ^ crc) & 15)]; }

}  // namespace

int decodeDataInto(QByteArrayView codeBytes, int32_t L, uint8_t* out, int32_t detectorVer) {
  if (L <= 0 || codeBytes.size() < 2 * qsizetype(L)) return 0;
  const DecodeTable& table = detectorVer < kNewFrameDetectorVer ? kOldDecode : kNewDecode;
  const auto* p = reinterpret_cast<const uint8_t*>(codeBytes.data());
  for (int32_t i = 0; i < L; ++i) {
    const int lo = table[p[2 * i]];
    const int hi = lo < 0 ? -1 : table[p[2 * i + 1]];
    if (hi < 0) {
      const uint8_t bad = lo < 0 ? p[2 * i] : p[2 * i + 1];
      if (logShows(-1)) logMsg(-1, QStringLiteral("decodeData: undefined code: ") + hex2(bad));
      return i;
    }
    out[i] = uint8_t(hi * 16 + lo);
  }
  return L;
}

QByteArray decodeData(QByteArrayView codeBytes, int32_t L, int32_t detectorVer) {
  if (L <= 0 || codeBytes.size() < 2 * qsizetype(L)) return {};
  QByteArray out(L, '\0');
  out.truncate(decodeDataInto(codeBytes, L, reinterpret_cast<uint8_t*>(out.data()), detectorVer));
  return out;
}

int16_t frameChecksum(QByteArrayView dataBytes) {
  if (dataBytes.isEmpty()) return 0;
  const auto* p = reinterpret_cast<const uint8_t*>(dataBytes.data());
  const qsizetype last = dataBytes.size() - 1;
  int s = 0;
  for (qsizetype i = 0; i < last; ++i) s = (s + p[i]) & 0xFF;
  return int16_t((s - p[last]) & 0xFF);
}

void crcUpdateNibble(const FrameCodecOptions& options, int16_t n, int32_t& crc) {
  if (options.useCrcTable) {
    crc = crcNibbleByTable(n, crc);
    return;
  }
  crc ^= n * 16;
  for (int b = 0; b < 4; ++b) crc = (crc & 1) ? (crc >> 1) ^ kCrcPoly : crc >> 1;
}

void appendFrameValue(const FrameCodecOptions& options, TxFrame& tx, bool coded, int16_t count,
                      int32_t value) {
  auto v = uint32_t(value);
  for (int i = 0; i < count; ++i) {
    const int b = int(v & 0xFF);
    const qsizetype need = tx.index + (coded ? 2 : 1);
    if (tx.index < 0) return;
    if (tx.bytes.size() < need) tx.bytes.resize(need);
    if (coded) {
      const int lo = b & 15, hi = b >> 4;
      crcUpdateNibble(options, int16_t(lo), tx.crc);
      crcUpdateNibble(options, int16_t(hi), tx.crc);
      tx.bytes[tx.index] = char(kNewLineCode[size_t(lo)]);
      tx.bytes[tx.index + 1] = char(kNewLineCode[size_t(hi)]);
      tx.index += 2;
    } else {
      tx.bytes[tx.index] = char(b);
      tx.index += 1;
    }
    v >>= 8;
  }
}

bool checkFrameFcs(int32_t startIndex, int32_t endIndex, QByteArrayView frame, QByteArray& dataBytes) {
  const int32_t n = (endIndex - startIndex - 2) / 2 - 1;
  dataBytes.resize(n > 0 ? n : 0);
  if (startIndex < 0 || endIndex >= frame.size() || n < 0) return false;
  const auto* f = reinterpret_cast<const uint8_t*>(frame.data());
  int32_t crc = 0;
  int k = 0;
  for (int32_t i = startIndex + 2; i <= endIndex - 2; i += 2) {
    const int lo = kNewDecode[f[i]];
    const int hi = kNewDecode[f[i + 1]];
    if (lo < 0 || hi < 0) return false;
    const int byte = hi * 16 + lo;
    if (i < endIndex - 2) {
      crc = crcNibbleByTable(hi, crcNibbleByTable(lo, crc));
      if (k < dataBytes.size()) dataBytes[k] = char(byte);
      ++k;
    } else {
      return byte == crc;
    }
  }
  return false;
}

QString bytesToHexString(QByteArrayView bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  QString out(bytes.size() * 3, Qt::Uninitialized);
  QChar* o = out.data();
  for (const char c : bytes) {
    const auto b = uint8_t(c);
    *o++ = u' ';
    *o++ = QLatin1Char(kDigits[b >> 4]);
    *o++ = QLatin1Char(kDigits[b & 15]);
  }
  return out;
}
