#include "meter/engine/pulse_width.h"

#include "core/util/format_pattern.h"

void countPulseBits(int rxByte, int& zeros, int& errorBit) {
  zeros = 1;  // the start bit
  errorBit = 0;
  int ones = 0;
  for (int i = 1; i <= 8; ++i) {
    if (rxByte & (1 << (i - 1))) {
      ++ones;
    } else {
      ++zeros;
      if (ones > 0 && errorBit == 0) errorBit = i;
    }
  }
}

QString pulseWidthAdvice(int zeros, int errorBit, double baud) {
  const QString pattern = baud > 38400  ? QStringLiteral("#,0.000")
                          : baud > 2400 ? QStringLiteral("#,0.00")
                          : baud > 300  ? QStringLiteral("#,0.0")
                                        : QStringLiteral("#,0");
  auto ms = [&](double bits) { return formatNumber(baud > 0 ? bits / baud * 1000.0 : 0, pattern); };
  if (errorBit > 0) return QStringLiteral(" Error in bit ") + QString::number(errorBit - 1);
  if (zeros < 2) {
    const double better = baud == 110 ? 300 : baud == 38400 ? 57600 : baud * 2;
    return QStringLiteral("pulse width < 1.5 bits (") + ms(1.5) +
           QStringLiteral("ms), Change COM-setting to ") + strPlain(better);
  }
  if (zeros <= 8) {
    return QStringLiteral("pulse width = ") + QString::number(zeros) + QStringLiteral(" bits (") + ms(zeros) +
           QStringLiteral("ms), OK");
  }
  QString text = QStringLiteral("pulse width >8.5 bits (") + ms(8.5) + QStringLiteral("ms). ");
  if (baud == 110) return text + QStringLiteral("This works, but Break may be detected.");
  const double better = baud == 300 ? 110 : baud == 57600 ? 38400 : baud / 2;
  return text + QStringLiteral("Change COM-setting to ") + strPlain(better);
}

PulseWidth analysePulseWidth(int16_t rxByte, double baud) {
  int zeros = 0, errorBit = 0;
  countPulseBits(rxByte & 0xFF, zeros, errorBit);
  return {.seconds = baud > 1 ? zeros / baud : 0,
          .bits = int16_t(zeros),
          .advice = pulseWidthAdvice(zeros, errorBit, baud)};
}
