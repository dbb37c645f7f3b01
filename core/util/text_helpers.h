#pragma once
// Small text and number helpers shared by every subsystem.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <utility>

#include "core/util/date_value.h"
#include "platform/result.h"

// The line end of every text the program writes and logs.
inline const QString kCrLf = QStringLiteral("\r\n");

// Text up to the first ";" with blanks and control characters trimmed away.
QString stripComment(const QString& line);
QString commaToPoint(const QString& text);
// Removes blanks and no-break spaces.
QString removeBlanks(const QString& text);
// Takes the first token off `text`: a "quoted text" (quotes dropped) or the
// text up to the first blank; the rest is left-trimmed of blanks.
QString nextToken(QString& text);
// Takes the text before the first CR LF off `text` (all of it when there is none).
QString splitFirstLine(QString& text);
// The value formatted with the pattern, padded on the left to the pattern's length; never cut.
QString formatRight(double value, const QString& format);

// n characters "1"/"0", bit n-1 first. n is clamped to 0..32.
QString bitsToText(int n, int32_t value);
// Each "1" at position k from the right adds 2^k; other characters count 0.
// Only the last 32 characters count (bit 31 gives the sign).
int32_t binTextToValue(const QString& text);
QString hex2(int32_t value);
QString hex4(int32_t value);
// Text from outside shown in a log: every control character (C0, DEL, C1)
// written as \xHH, so nothing received can start a line of its own.
QString escapeControls(QStringView text);
// Every stored byte as two hex digits and a blank: UTF-16 low byte first for text.
QString bytesToHex(const QString& text);
QString bytesToHex(const QByteArray& bytes);

template <typename T>
T vMax(const T& a, const T& b) {
  return b > a ? b : a;
}
template <typename T>
T vMin(const T& a, const T& b) {
  return b < a ? b : a;
}
template <typename T>
void vSwap(T& a, T& b) {
  std::swap(a, b);
}

// "yyyy-mm-dd hh:nn:ss" or "yyyy-mm-ddThh:nn:ss" (separators not checked);
// out-of-range fields carry. Refused when the text is shorter than 10 characters
// or the date is out of range.
Result<Date> dateTimeFromText(const QString& text);

// The largest TCP port number.
constexpr int kMaxTcpPort = 65535;
// "address" or "address:port" when the port is not 80 (the web server's link text).
QString ipLinkText(const QString& address, int port);

// Diagnostic sink that drops what it is given.
inline void emptyProc(const QString&) {}
