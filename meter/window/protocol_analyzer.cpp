#include "meter/window/protocol_analyzer.h"

#include <cmath>

#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "meter/engine/frame_codec.h"

namespace {
constexpr int kTestFrameBytes = 47;
}  // namespace

QString dcdReportHeader(Date now, int32_t count) {
  return generalDate(now) + QStringLiteral("  dcdEvents=") + QString::number(count) + kCrLf + dcdReportRule();
}

QString dcdReportRule() { return QStringLiteral("--------------------") + kCrLf; }

QStringList dcdReportRows(const QVector<int64_t>& times, int32_t count, double frequency) {
  QStringList rows;
  const int32_t n = std::min<int32_t>(count, times.size());
  for (int32_t i = 1; i < n; ++i) {
    const double ms = std::round(double(times[i] - times[i - 1]) / frequency * 1000 * 10000) / 10000;
    const double units = ms < 1e9 ? std::floor(ms * 10000 / 444 + 0.5) : -1;
    // Nothing records the line level, so it is always 0.
    rows << formatRight(i, QStringLiteral("####")) + QStringLiteral("  0  ") +
                formatRight(ms, QStringLiteral("######")) + QStringLiteral("  ") +
                formatRight(units, QStringLiteral("######")) + kCrLf;
  }
  return rows;
}

QString captureFileName(const QString& pattern, int32_t n) {
  return QString(pattern).replace(u'*', formatNumber(n, QStringLiteral("000")));
}

QByteArray buildTestFrame(bool useTable, int32_t detectorVer) {
  const FrameCodecOptions options{.useCrcTable = useTable};
  TxFrame tx{QByteArray(kTestFrameBytes, '\0')};
  const auto append = [&](bool coded, int16_t count, int32_t value) {
    appendFrameValue(options, tx, coded, count, value);
  };
  for (int i = 0; i < 8; ++i) append(false, 1, 0x55);
  for (int32_t b : {0xF0, 0x55, 0xA9, 0x63}) append(false, 1, b);
  append(true, 2, detectorVer);
  append(true, 2, 0x1234);
  append(true, 4, 0x62);
  append(true, 4, 0x032E993F);
  for (int32_t b : {0x01, 0x04, 0x57, 0x42}) append(true, 1, b);
  // The bit path takes each nibble one step late: one more nibble finishes it.
  if (!useTable) crcUpdateNibble(options, 0, tx.crc);
  append(true, 1, tx.crc);
  append(false, 1, 0xCC);
  return tx.bytes;
}
