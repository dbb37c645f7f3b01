#pragma once
// The chart's marks: a list of records the chart keeps for its graph
// (ChartCore::marks) and saves, on request, at the end of a marks file.

#include <QString>
#include <QVector>
#include <array>
#include <cstdint>

// One mark: 60 bytes of data and a list of values. On file: the 60 bytes,
// the number of values (32-bit little-endian), then each value (32-bit
// little-endian, signed).
struct markRecord {
  std::array<char, 60> data{};
  QVector<int32_t> values;
};
constexpr int kMarkDataBytes = 60;

// A new chart: no graph, no resets counted. Both log with a time stamp.
void initRCchart(int16_t& chartMode, int16_t& resetCount);
// One reset more (stays at 32767) and the marks a single empty record.
void resetRCchart(int16_t& resetCount, QVector<markRecord>& marks);

// Appends the upper bound of the marks (32-bit little-endian) and every
// record 0..upper bound to `target`, created when missing. With no mark
// beyond record 0 nothing is written; with no target, or when the file
// cannot be written, it is logged and nothing else happens. True when a
// block was written.
bool appendMarksToFile(const QString& target, const QVector<markRecord>& marks);

// The bytes one record takes on file.
QByteArray markRecordBytes(const markRecord& mark);
