#pragma once
// Watt-seconds per count and the read-only "Meter scale" figures, computed
// from the meter settings; and the energy and power value types.

#include <QString>
#include <array>
#include <optional>

#include "core/settings/value_type.h"

constexpr double kWsPerkWh = 3600000.0;

struct MeterScaleInputs {
  double revsPerkWh = 0;
  double pulsesPerRev = 0;
  double prescale = 0;
  double ticksPerSec = 0;
  double maxMeterPower = 0;
  double minUpdateInterval = 0;
  double maxUpdateInterval = 0;
  double timerBits = 0;      // lenient number of Text5(7)
  double counterBits = 0;    // lenient number of Text5(14)
  double WsPerCount = 0;     // current value, kept when it cannot be computed
  double minMeterScale = 0;  // current value, kept when it cannot be computed
};

struct MeterScaleResult {
  bool changed = false;  // false: revsPerkWh or ticksPerSec not positive, nothing changes
  double WsPerCount = 0;
  double minMeterScale = 0;
  std::array<std::optional<QString>, 15> text5;  // Text5(k) texts; empty optional = unchanged
};

MeterScaleResult computeMeterScale(const MeterScaleInputs& in);

// A value rounded to single precision in general form (up to 7 significant digits).
QString singleText(double v);

// One value type from its fields; `use` is the "use" box: 0 standard fields, 1 user fields,
// 2 (grey) the built-in default. False when decimals does not fit 16 bits (title and factor
// are then already set).
struct ValueTypeFields {
  QString title, factor, decimals, unit;
};
bool buildValueType(valueType& vt, int use, const ValueTypeFields& standard, const ValueTypeFields& user,
                    bool energy);
