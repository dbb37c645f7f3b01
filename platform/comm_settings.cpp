#include "platform/comm_settings.h"

#include <QStringList>
#include <algorithm>
#include <iterator>

namespace {
// Every rate a port setting may name, lowest first: the classic serial rates and the higher standard ones.
constexpr int kBaudRates[] = {110,   300,   600,   1200,   2400,   4800,   9600,   14400,  19200, 28800,
                              38400, 56000, 57600, 115200, 128000, 230400, 256000, 460800, 921600};


bool parseWhole(const QString& s, int& out) {
  if (s.isEmpty() || !std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); })) return false;
  bool ok = false;
  out = s.toInt(&ok);
  return ok;
}
}  // namespace

QString CommSettings::text() const {
  const char* stop = stopBits == StopBits::One ? "1" : stopBits == StopBits::Two ? "2" : "1.5";
  return QStringLiteral("%1,%2,%3,%4")
      .arg(baud)
      .arg(QChar::fromLatin1(parity))
      .arg(dataBits)
      .arg(QLatin1String(stop));
}

const int* commBaudRates(int* count) {
  if (count) *count = int(std::size(kBaudRates));
  return kBaudRates;
}

Result<CommSettings> parseCommSettings(const QString& text) {
  const QString invalid =
      QStringLiteral("Invalid settings \"%1\" (expected baud,parity,data bits,stop bits)").arg(text);
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 4) return Failure(invalid);
  CommSettings s;
  if (!parseWhole(parts[0].trimmed(), s.baud) ||
      std::find(std::begin(kBaudRates), std::end(kBaudRates), s.baud) == std::end(kBaudRates)) {
    return Failure(QStringLiteral("Invalid baud rate \"%1\"").arg(parts[0].trimmed()));
  }
  const QString p = parts[1].trimmed().toUpper();
  if (p.size() != 1 || !QStringLiteral("NEOMS").contains(p[0])) {
    return Failure(QStringLiteral("Invalid parity \"%1\"").arg(parts[1].trimmed()));
  }
  s.parity = p[0].toLatin1();
  if (!parseWhole(parts[2].trimmed(), s.dataBits) || s.dataBits < 5 || s.dataBits > 8) {
    return Failure(QStringLiteral("Invalid data bits \"%1\"").arg(parts[2].trimmed()));
  }
  const QString stop = parts[3].trimmed();
  if (stop == QLatin1String("1")) {
    s.stopBits = CommSettings::StopBits::One;
  } else if (stop == QLatin1String("1.5")) {
    s.stopBits = CommSettings::StopBits::OnePointFive;
  } else if (stop == QLatin1String("2")) {
    s.stopBits = CommSettings::StopBits::Two;
  } else {
    return Failure(QStringLiteral("Invalid stop bits \"%1\"").arg(stop));
  }
  const bool oneAndHalf = s.stopBits == CommSettings::StopBits::OnePointFive;
  const bool two = s.stopBits == CommSettings::StopBits::Two;
  if ((oneAndHalf && s.dataBits != 5) || (two && s.dataBits == 5)) {
    return Failure(QStringLiteral("Invalid combination of data bits and stop bits \"%1\"").arg(text));
  }
  return s;
}
