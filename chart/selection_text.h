#pragma once
// The text lines of a picked point or stretch of a plotted series: time,
// value, used energy and average power, as the option mask chooses, in the
// user's display units.

#include <QString>
#include <QVector>
#include <cstdint>

#include "core/settings/value_type.h"
#include "plot/plot_data_reader.h"

// The user's units of power and energy (vtPower, vtEnergy): a value is shown as
// value x factor + offset with its decimals and unit.
struct ValueUnits {
  valueType power;
  valueType energy;
};

// Bits of the option masks (mousePointerFlags, mouseMeasureFlags).
constexpr int32_t kTextTime = 1, kTextValue = 2, kTextUsedEnergy = 4, kTextAveragePower = 8,
                  kTextRelAveragePower = 16, kTextRelUsedEnergy = 32;

// A format with its decimals set: "." dropped for decimals < 1, else "."
// followed by that many zeros ("#,0." with 2 gives "#,0.00").
QString padDecimals(const QString& format, int decimals);

// Lines for series s, anchor point q (0 = none) and point p; seriesType 1 or
// 2 power, 3 temperature. Empty when s, p or q lie outside the series.
QString makeSelectionText(int s, int32_t q, int32_t p, int seriesType, int32_t mask,
                          const QVector<plotSeries>& series, const ValueUnits& units);
