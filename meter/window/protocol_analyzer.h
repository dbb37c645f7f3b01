#pragma once
// The protocol-analyzer tools of the main window without their widgets: the
// interval report of the carrier-detect capture (the link keeps the table), the
// capture file names, and the controller test frame.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

#include "core/util/date_value.h"

// The capture stamps count nanoseconds of the steady clock.
constexpr double kDcdCounterFrequency = 1e9;

// The report's first lines: the time, the number of events and a rule.
QString dcdReportHeader(Date now, int32_t count);
// One row per pair of consecutive stamps: number, level, milliseconds and units.
QStringList dcdReportRows(const QVector<int64_t>& times, int32_t count, double frequency);
// "--------------------" and CR LF.
QString dcdReportRule();

// The capture file name: every "*" of the pattern replaced by n as "000".
QString captureFileName(const QString& pattern, int32_t n);

// The 47-byte controller test frame with the detector type as program ID,
// its FCS computed by the table or by the bit path.
QByteArray buildTestFrame(bool useTable, int32_t detectorVer);
