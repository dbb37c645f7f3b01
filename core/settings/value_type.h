#pragma once
// How an energy or power value is shown: v * factor + offset, decimals, unit.

#include <QString>
#include <cstdint>

struct valueType {
  QString description;
  QString title;
  double factor = 0;
  double offset = 0;
  int16_t decimals = 0;
  QString unit;

  bool operator==(const valueType&) const = default;
};
